#include "ovkeys.h"

#include "cmfocus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace OVKeys {

namespace {

bool ownsItsKeys(const QWidget *window)
{
    switch (window->windowType()) {
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Popup:
        return true;
    default:
        return false;
    }
}

class Monitor : public QObject
{
public:
    Monitor(Handler handler, QObject *parent) : QObject(parent), m_handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        // Only key presses on widgets: the window object passes each press on to its focus
        // widget, and a shortcut-override query is not a press, so every press is offered
        // where it lands. A press that is passed on climbs the parent chain and comes back
        // here; the handler leaves state alone for keys it refuses, so that is harmless.
        if (event->type() != QEvent::KeyPress || !receiver->isWidgetType())
            return false;
        const auto &key = *static_cast<QKeyEvent *>(event);
        if (key.modifiers().testFlag(Qt::ControlModifier))
            return false;
        if (QApplication::activePopupWidget())
            return false;
        const QWidget *window = static_cast<QWidget *>(receiver)->window();
        if (ownsItsKeys(window) || CMFocus::isTextInput(window->focusWidget()))
            return false;
        return m_handler(key);
    }

private:
    Handler m_handler;
};

QPointer<Monitor> &current()
{
    static QPointer<Monitor> monitor;
    return monitor;
}

} // namespace

void install(Handler handler)
{
    remove();
    auto *app = qApp;
    Q_ASSERT(app);
    current() = new Monitor(std::move(handler), app);
    app->installEventFilter(current());
}

void remove()
{
    delete current().data();
    current() = nullptr;
}

bool installed()
{
    return !current().isNull();
}

} // namespace OVKeys
