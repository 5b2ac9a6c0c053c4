#include "testsupport.h"

#include <store/cmsettingsfile.h>

#include <QCoreApplication>
#include <QSettings>
#include <QDir>

#include <cstdlib>
#include <filesystem>
#include <string>
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

} // namespace cmtest
