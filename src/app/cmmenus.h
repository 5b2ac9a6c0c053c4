#pragma once

#include <QString>

#include <functional>

class CMEngine;
class QMenuBar;
class QWidget;

// The menu bar of the main window: File, Edit, Prompter, View and Help. Each command is a thin
// call into the engine, the live window, the interface state or the help windows. Shortcuts use
// Ctrl, which is what Qt makes of the Command key on a Mac.
namespace CMMenus {

struct Hooks
{
    // The help window at a page (empty: the first page) and the About panel.
    std::function<void(const QString &page)> showHelp;
    std::function<void()> showAbout;
    // File > Quit: ends the application, from any window.
    std::function<void()> quit;
};

void build(QMenuBar &bar, CMEngine &engine, QWidget &window, const Hooks &hooks);

// "Interface Zoom: 120%"
QString zoomLine(double zoom);

} // namespace CMMenus
