#pragma once

#include <QImage>
#include <QString>

#include <optional>

// Pictures of the Help window and the About panel as they look now (theme, zoom, pages and
// application name as set), for screenshots and visual checks. They open the real windows.
namespace OVHelpShots {

// The Help window opened at `page`, with `search` typed into its search field.
QImage helpWindow(const std::optional<QString> &page, const QString &search = {});
// The About panel for `appName`.
QImage aboutPanel(const QString &appName);

} // namespace OVHelpShots
