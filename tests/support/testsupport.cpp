#include "testsupport.h"

#include <store/cmatomicfile.h>
#include <store/cmsettingsfile.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Runs before main(): no test may ever read or write the real user's settings, data or
// autosave, so every folder Qt derives from the environment points into a fresh temporary one.
struct Sandbox
{
    std::string root;

    Sandbox()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "cmtest-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        root = pattern;
        const auto make = [this](const char *var, const char *sub) {
            const std::string path = root + "/" + sub;
            std::filesystem::create_directories(path);
            ::chmod(path.c_str(), 0700);
            ::setenv(var, path.c_str(), 1);
        };
        make("HOME", "home");
        make("XDG_DATA_HOME", "home/.local/share");
        make("XDG_CONFIG_HOME", "home/.config");
        make("XDG_CACHE_HOME", "home/.cache");
        make("XDG_STATE_HOME", "home/.local/state");
        make("XDG_RUNTIME_DIR", "runtime");
        make("TMPDIR", "tmp");
        ::setenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share", 1);
        ::setenv("XDG_CONFIG_DIRS", "/etc/xdg", 1);
        QCoreApplication::setOrganizationName(u"Orvelle Software"_s);
        QCoreApplication::setApplicationName(u"Cuemaster"_s);
    }

    ~Sandbox()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

Sandbox &sandbox()
{
    static Sandbox instance;
    return instance;
}

[[maybe_unused]] const bool sandboxReady = (sandbox(), true);

} // namespace

namespace cmtest {

QString sandboxPath()
{
    return QString::fromStdString(sandbox().root);
}

QString sourcePath(const QString &relative)
{
    const QByteArray root = qgetenv("CM_SOURCE_DIR");
    return QDir(root.isEmpty() ? QString::fromUtf8(CM_SOURCE_DIR_FALLBACK) : QString::fromLocal8Bit(root))
        .filePath(relative);
}

void clearSettings()
{
    CMSettingsFile::shared().resetForTesting();
    QSettings().clear();
}

ReadOnlyFolder::ReadOnlyFolder(const QString &folder) : m_folder(folder)
{
    const QByteArray name = QFile::encodeName(folder);
    if (::geteuid() != 0) {
        ::chmod(name.constData(), 0500);
        m_way = Way::Permissions;
        return;
    }
    if (::mount(name.constData(), name.constData(), nullptr, MS_BIND, nullptr) == 0) {
        if (::mount(nullptr, name.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                    nullptr) == 0) {
            m_way = Way::Mount;
            return;
        }
        ::umount2(name.constData(), MNT_DETACH);
    }
    CMAtomicFile::setReadOnlyForTesting(true);
    m_way = Way::Injected;
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    const QByteArray name = QFile::encodeName(m_folder);
    switch (m_way) {
    case Way::Permissions:
        ::chmod(name.constData(), 0700);
        break;
    case Way::Mount:
        ::umount2(name.constData(), MNT_DETACH);
        break;
    case Way::Injected:
        CMAtomicFile::setReadOnlyForTesting(false);
        break;
    }
}

} // namespace cmtest
