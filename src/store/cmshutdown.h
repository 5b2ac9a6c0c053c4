#pragma once

#include <QObject>

#include <functional>

// Writes what is pending when the process is told to end rather than asked to quit:
// SIGTERM, SIGHUP and SIGINT (the session's end, a closed terminal, Ctrl+C), and exit()
// called from anywhere, as Qt does when the connection to the display is lost.
namespace CMShutdown {

// After a signal `save` runs on the event loop, then the loop ends with exit code
// 128 + the signal's number; a second signal of the same kind ends the process at once. At
// exit() `save` runs while `context` still exists. Call once, after whatever `save` uses
// exists.
void install(QObject *context, std::function<void()> save);

} // namespace CMShutdown
