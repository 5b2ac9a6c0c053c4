#pragma once

#include "ovhelppage.h"

// The help pages every application of the maker shares (themes and zoom, about the maker).
namespace OVCommonHelp {

QList<HelpPage> pages(const QString &app);

} // namespace OVCommonHelp
