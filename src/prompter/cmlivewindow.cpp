#include "cmlivewindow.h"

#include "cmliveroot.h"

#include <engine/cmengine.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

using namespace Qt::StringLiterals;

CMLiveWindow::CMLiveWindow(CMEngine &engine, QScreen *screen, bool hidePointer)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_engine(engine), m_root(new CMLiveRoot(engine, this)), m_restPos(QCursor::pos(screen))
{
    setWindowTitle(u"OVS Cuemaster"_s);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setFocusPolicy(Qt::StrongFocus);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_root);
    connect(m_root, &CMLiveRoot::exitRequested, this, &CMLiveWindow::closeRequested);

    if (hidePointer) {
        setCursor(Qt::BlankCursor);
        m_pointerHidden = true;
    }

    // Without a window manager a full-screen request keeps the window where it was made:
    // screen and geometry are set first so it lands on the chosen display everywhere.
    setScreen(screen);
    setGeometry(screen->geometry());
}

void CMLiveWindow::present()
{
    // Not showFullScreen(): it would also take the keyboard, and with several outputs only
    // one should (takeKeyboard).
    setWindowState(windowState() | Qt::WindowFullScreen);
    setVisible(true);
    windowHandle()->installEventFilter(this);
    raise();
}

void CMLiveWindow::takeKeyboard()
{
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void CMLiveWindow::keyPressEvent(QKeyEvent *event)
{
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    if (!event->modifiers().testFlag(Qt::ControlModifier) &&
        m_engine.handle(event->key(), event->text())) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CMLiveWindow::closeEvent(QCloseEvent *event)
{
    // The controller owns the window and ends live mode; it hides the window itself.
    event->ignore();
    Q_EMIT closeRequested();
}

bool CMLiveWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The window object sees every pointer event of the window, whichever child is below.
    if (watched == windowHandle()) {
        switch (event->type()) {
        case QEvent::Enter:
            pointerAt(static_cast<QEnterEvent *>(event)->globalPosition().toPoint());
            break;
        case QEvent::MouseMove:
            pointerAt(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
            break;
        case QEvent::Leave:
            m_root->setHover(false);
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CMLiveWindow::pointerAt(const QPoint &globalPos)
{
    if (m_restPos && globalPos == *m_restPos)
        return;
    m_restPos.reset();
    if (m_pointerHidden) {
        unsetCursor();
        m_pointerHidden = false;
    }
    m_root->setHover(true);
}
