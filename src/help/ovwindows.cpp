#include "ovwindows.h"

#include <QApplication>
#include <QLayout>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>

namespace {

} // namespace

namespace OVWindows {

void keepUntilExit(QWidget *window)
{
    // Not later than this: a widget cannot be deleted once the application object is being
    // destroyed, and an application that ends without its event loop leaves the window to the
    // end of the process.
    if (QCoreApplication *app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
}

void centre(QWidget *window)
{
    const QWidget *active = QApplication::activeWindow();
    QScreen *screen =
        active && active != window ? active->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame(QPoint(), window->frameGeometry().size());
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void bringToFront(QWidget *window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void addCloseKeys(QWidget *window, bool escape)
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Close);
    if (escape)
        keys.append(QKeySequence(Qt::Key_Escape));
    for (const QKeySequence &key : std::as_const(keys)) {
        auto *shortcut = new QShortcut(key, window);
        QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
    }
}

void setContent(QWidget *window, QWidget *content)
{
    QLayout *layout = window->layout();
    if (!layout) {
        layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        // The content never resizes its window, whatever it asks for.
        layout->setSizeConstraint(QLayout::SetNoConstraint);
    }
    while (QLayoutItem *item = layout->takeAt(0)) {
        if (QWidget *old = item->widget()) {
            old->hide();
            old->setParent(nullptr);
            old->deleteLater();
        }
        delete item;
    }
    layout->addWidget(content);
    // Shown now rather than when the event loop gets to it, so that it can take the focus.
    content->show();
}

} // namespace OVWindows
