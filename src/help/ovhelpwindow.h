#pragma once

#include "ovhelppage.h"

#include <QSize>

#include <optional>

class OVHelpView;
class QWidget;

// The one Help window of the application. The shell sets the pages and the application's
// name at start-up; every show() puts a fresh view in the window, so the search is empty and
// the requested page is selected.
namespace OVHelpWindow {

inline constexpr QSize defaultSize{900, 640};
inline constexpr QSize minimumSize{640, 420};

QString appName();
void setAppName(const QString &name);
const QList<HelpPage> &pages();
void setPages(const QList<HelpPage> &pages);

// Opens or raises the window at the page with this id; without one, at the first page.
void show(const std::optional<QString> &page = std::nullopt);

// The window once show() has created it, and the view it shows; null before.
QWidget *window();
OVHelpView *view();

} // namespace OVHelpWindow
