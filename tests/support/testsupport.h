#pragma once

#include <QString>

namespace cmtest {

// The private folder that stands in for the user's home during this test process.
QString sandboxPath();

// The repository's root, for fixtures checked into the tree.
QString sourcePath(const QString &relative);

// Forgets every stored setting: the settings file's pending values and the file itself.
void clearSettings();

} // namespace cmtest
