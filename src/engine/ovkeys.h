#pragma once

#include <functional>

class QKeyEvent;

// The one application-wide key monitor. It sees every key press of every window before the
// window does, and offers it to the handler unless the key belongs to someone else: a focused
// text input, a popup or dialog, or a shortcut (Control held; Command on macOS). The handler
// returns true to consume the key; false lets it go on unchanged. Auto-repeated presses come
// one by one. Key releases are never offered.
namespace OVKeys {

using Handler = std::function<bool(const QKeyEvent &event)>;

// Needs the QApplication. Installing again replaces the previous monitor.
void install(Handler handler);
void remove();
bool installed();

} // namespace OVKeys
