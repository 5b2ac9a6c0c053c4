#pragma once

#include "ovhelppage.h"

// The prompter's own help pages.
namespace CMHelp {

QList<HelpPage> pages();

// The folder that holds the autosaved script, written the way a user types it (~ for home).
QString autosaveFolderForDisplay();

} // namespace CMHelp
