#pragma once

#include <QString>
#include <QStringList>

// A folder that only this user can enter: where the application's instances meet, so no other
// user can listen there, take the lock or plant a socket.
namespace CMPrivateFolder {

// The user's runtime folder (XDG_RUNTIME_DIR, else /run/user/<uid>) when it qualifies, else
// "ovs-cuemaster-<uid>" in the temporary folder, made with mode 0700 when missing. Empty
// when none qualifies (someone else took that name): the caller runs without one.
QString find();
// The same, over given candidates, then a folder made in `tempParent`.
QString find(const QStringList &candidates, const QString &tempParent);

// A real folder (not a link) owned by the user, which nobody else may read, enter or write.
bool isPrivate(const QString &path);

// The user the process runs as.
uint user();

} // namespace CMPrivateFolder
