#pragma once

class QWidget;

// What the Help window and the About panel share: one window each for the whole process,
// centred on the screen the user is working on and brought to the front on every call.
namespace OVWindows {

// Deletes `window` when the application's event loop ends.
void keepUntilExit(QWidget *window);
// Centres the window's frame on the screen of the active window, else the primary screen.
void centre(QWidget *window);
// Shows the window un-minimised, in front, with the keyboard focus.
void bringToFront(QWidget *window);
// Ctrl+W closes the window (and Esc too, when `escape`): its menu bar is the main window's.
void addCloseKeys(QWidget *window, bool escape);
// Replaces the window's one content widget; the old one is deleted once control returns to
// the event loop, so a caller inside it is safe.
void setContent(QWidget *window, QWidget *content);

} // namespace OVWindows
