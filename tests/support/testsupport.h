#pragma once

#include <QString>

namespace cmtest {

// The private folder that stands in for the user's home during this test process.
QString sandboxPath();

// The repository's root, for fixtures checked into the tree.
QString sourcePath(const QString &relative);

// Forgets every stored setting: the settings file's pending values and the file itself.
void clearSettings();

// Makes a folder refuse new files while the object lives. An ordinary user loses the write
// permission; the superuser, whom permissions do not bind, gets a read-only bind mount of the
// folder over itself, or, where even the superuser may not mount (a container without the
// right to), the atomic writer's injected read-only fault.
class ReadOnlyFolder
{
public:
    enum class Way { Permissions, Mount, Injected };

    explicit ReadOnlyFolder(const QString &folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    Way way() const { return m_way; }

private:
    QString m_folder;
    Way m_way = Way::Permissions;
};

} // namespace cmtest
