#include "ovhelpwindow.h"

#include "ovhelpview.h"
#include "ovwindows.h"

#include <kit/ovroot.h>

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace OVHelpWindow {

namespace {

struct State
{
    QString appName;
    QList<HelpPage> pages;
    QPointer<QWidget> window;
    QPointer<OVHelpView> view;
};

State &state()
{
    static State s;
    return s;
}

QWidget *create()
{
    auto *w = new QWidget(nullptr, Qt::Window);
    w->setWindowTitle(state().appName + u" Help"_s);
    w->setMinimumSize(minimumSize);
    w->resize(defaultSize);
    ovsRoot(w);
    OVWindows::keepUntilExit(w);
    OVWindows::addCloseKeys(w, false);
    OVWindows::centre(w);
    return w;
}

} // namespace

QString appName()
{
    return state().appName;
}

void setAppName(const QString &name)
{
    state().appName = name;
    if (state().window)
        state().window->setWindowTitle(name + u" Help"_s);
}

const QList<HelpPage> &pages()
{
    return state().pages;
}

void setPages(const QList<HelpPage> &pages)
{
    state().pages = pages;
}

void show(const std::optional<QString> &page)
{
    State &s = state();
    const QString initial = page ? *page : s.pages.isEmpty() ? QString() : s.pages.first().id;
    auto *view = new OVHelpView(s.pages, s.appName, initial);
    if (!s.window)
        s.window = create();
    OVWindows::setContent(s.window, view);
    s.view = view;
    // Below its minimum only when a screen change squeezed it: start over at the usual size.
    if (s.window->width() < minimumSize.width()) {
        s.window->resize(defaultSize);
        OVWindows::centre(s.window);
    }
    OVWindows::bringToFront(s.window);
    view->searchField()->setFocus(Qt::OtherFocusReason);
}

QWidget *window()
{
    return state().window;
}

OVHelpView *view()
{
    return state().view;
}

} // namespace OVHelpWindow
