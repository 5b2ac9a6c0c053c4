#include "cmprivatefolder.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace CMPrivateFolder {

uint user()
{
    return ::geteuid();
}

bool isPrivate(const QString &path)
{
    if (!path.startsWith(u'/'))
        return false;
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == user() && (st.st_mode & 077) == 0;
}

QString find(const QStringList &candidates, const QString &tempParent)
{
    for (const QString &candidate : candidates) {
        if (isPrivate(candidate))
            return QDir::cleanPath(candidate);
    }
    if (tempParent.isEmpty())
        return {};
    const QString own =
        QDir::cleanPath(tempParent) + u"/ovs-cuemaster-"_s + QString::number(user());
    // Made by us with no access for others, or already there: either way it is checked, since
    // anyone may have made a folder of that name first.
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivate(own) ? own : QString();
}

QString find()
{
    QStringList candidates;
    if (const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR"); !runtime.isEmpty())
        candidates << runtime;
    candidates << u"/run/user/"_s + QString::number(user());
    return find(candidates, QDir::tempPath());
}

} // namespace CMPrivateFolder
