#pragma once

#include <QString>

namespace cmtest {

// The private folder that stands in for the user's home during this test process.
QString sandboxPath();

// The repository's root, for fixtures checked into the tree.
QString sourcePath(const QString &relative);

} // namespace cmtest
