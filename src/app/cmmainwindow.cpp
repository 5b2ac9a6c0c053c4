#include "cmmainwindow.h"

#include "cmapp.h"
#include "cmquit.h"

#include <kit/ovroot.h>
#include <mainwindow/cmroot.h>

#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>

using namespace Qt::StringLiterals;

CMMainWindow::CMMainWindow(CMEngine &engine, CMRoot *root, const CMMenus::Hooks &hooks,
                           CMQuit &quit, QWidget *parent)
    : QMainWindow(parent), m_root(root), m_quit(quit)
{
    setWindowTitle(QString::fromLatin1(CMApp::displayName));
    setObjectName(u"main"_s);
    setCentralWidget(root);
    CMMenus::build(*menuBar(), engine, *this, hooks);
    ovsRoot(this);
    fitToScreen(true);
}

QRect CMMainWindow::opening(const QSize &wanted, const QRect &available, const QMargins &frame)
{
    const QRect inside = available.marginsRemoved(frame);
    QRect rect(QPoint(), wanted.boundedTo(inside.size()).expandedTo(QSize(1, 1)));
    rect.moveCenter(inside.center());
    return rect;
}

void CMMainWindow::fitToScreen(bool place)
{
    const QScreen *s = screen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QSize room = area.size().shrunkBy(frame);
    const int menuHeight = menuBar()->isNativeMenuBar() ? 0 : menuBar()->sizeHint().height();
    m_root->fitMinimumTo(room - QSize(0, menuHeight));
    // The window's own minimum follows its layout: bring it down now, before resizing.
    if (layout())
        layout()->activate();
    if (place) {
        setGeometry(opening(isVisible() ? size() : openingSize, area, frame));
    } else if (!area.contains(frameGeometry())) {
        // A screen made smaller (or a window moved to a smaller one) keeps the whole window
        // in reach.
        const QSize fitted = size().boundedTo(room);
        QRect rect(frameGeometry().topLeft(), fitted.grownBy(frame));
        rect.moveLeft(qMax(area.left(), qMin(rect.left(), area.right() + 1 - rect.width())));
        rect.moveTop(qMax(area.top(), qMin(rect.top(), area.bottom() + 1 - rect.height())));
        resize(fitted);
        move(rect.topLeft());
    }
}

void CMMainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    QWindow *w = windowHandle();
    if (!w || m_watching)
        return;
    m_watching = true;
    // The window manager adds its frame before the window is first exposed: only then is it
    // known whether frame and all fit.
    w->installEventFilter(this);
    const auto follow = [this](QScreen *screen) {
        disconnect(m_screenConnection);
        if (screen)
            m_screenConnection = connect(screen, &QScreen::availableGeometryChanged, this,
                                         [this] { fitToScreen(false); });
    };
    connect(w, &QWindow::screenChanged, this, [this, follow](QScreen *screen) {
        follow(screen);
        fitToScreen(false);
    });
    follow(w->screen());
}

bool CMMainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Expose && watched == windowHandle() &&
        windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        fitToScreen(false);
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMMainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_quit.request()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
