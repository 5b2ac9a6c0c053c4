#pragma once

// The application: identity, command line, one instance per user, then the main window with
// its menus and the files handed over by the desktop, in that order.
namespace CMApp {

inline constexpr const char *displayName = "OVS Cuemaster";

int run(int argc, char *argv[]);

} // namespace CMApp
