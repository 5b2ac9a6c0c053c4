#include "cmapp.h"

#include "cmcommandline.h"
#include "cmdelegate.h"
#include "cmmainwindow.h"
#include "cmprivatefolder.h"
#include "cmquit.h"
#include "cmsingleinstance.h"

#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <help/cmhelp.h>
#include <help/ovabout.h>
#include <help/ovcommonhelp.h>
#include <help/ovhelpwindow.h>
#include <kit/ovroot.h>
#include <kit/ovui.h>
#include <mainwindow/cmroot.h>
#include <mainwindow/cmsavenotice.h>
#include <prompter/cmprompterwindow.h>
#include <remote/cmremote.h>
#include <remote/cmremotepanel.h>
#include <store/cmsettingsfile.h>
#include <store/cmshutdown.h>

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QSessionManager>
#include <QTextStream>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace CMApp {

namespace {

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// While a running instance is slow to answer (it may still be loading a long script), the
// launch says what it waits for, on the terminal and in a small window that can stop it.
class WaitNotice
{
public:
    WaitNotice(CMSingleInstance &instance, const QStringList &files)
        : m_instance(instance), m_files(files)
    {
        QObject::connect(&instance, &CMSingleInstance::waiting, &instance, [this] { show(); });
        QObject::connect(&instance, &CMSingleInstance::waited, &instance, [this] {
            if (m_box) {
                m_box->disconnect();
                m_box->hide();
            }
        });
    }

private:
    void show()
    {
        const QString what = m_files.isEmpty()
                                 ? u"It comes to the front as soon as it is ready."_s
                                 : u"“%1” opens there as soon as it is ready."_s.arg(
                                       QFileInfo(m_files.first()).fileName());
        QTextStream(stderr) << "OVS Cuemaster is still starting. " << what << '\n';
        m_box = std::make_unique<QMessageBox>(QMessageBox::Information,
                                              QString::fromLatin1(displayName),
                                              u"OVS Cuemaster is still starting."_s,
                                              QMessageBox::Cancel);
        m_box->setInformativeText(what);
        m_box->setModal(false);
        QObject::connect(m_box.get(), &QMessageBox::finished, &m_instance,
                         [this] { m_instance.cancel(); });
        m_box->show();
    }

    CMSingleInstance &m_instance;
    QStringList m_files;
    std::unique_ptr<QMessageBox> m_box;
};

void installHelp(const QString &appName)
{
    OVHelpWindow::setAppName(appName);
    OVHelpWindow::setPages(CMHelp::pages() + OVCommonHelp::pages(appName));
}

// --remote turns the remote on for this run only and says where it is; otherwise the panel's
// remembered choice applies, on any free port if its own is taken.
bool startRemote(CMRemote &remote, std::optional<quint16> port)
{
    if (port) {
        if (!remote.start({*port, false})) {
            QTextStream(stderr) << "Remote control: " << remote.errorString() << '\n';
            return false;
        }
        QTextStream(stdout) << "Remote control: " << remote.localUrl().toString() << '\n'
                            << "OSC: udp://127.0.0.1:" << remote.oscPort() << '\n'
                            << Qt::flush;
    } else if (const auto stored = CMRemotePanel::storedOptions()) {
        if (!remote.start(*stored))
            remote.start({0, stored->allowNetwork});
    }
    return true;
}

} // namespace

int run(int argc, char *argv[])
{
    QApplication::setOrganizationName(u"Orvelle Software"_s);
    QApplication::setApplicationName(u"Cuemaster"_s);
    QApplication::setApplicationDisplayName(QString::fromLatin1(displayName));
    QApplication::setDesktopFileName(u"example.orvelle.Cuemaster"_s);

    const CMCommandLine command = CMCommandLine::parse(argumentList(argc, argv));
    if (command.exitCode) {
        QTextStream(*command.exitCode == 0 ? stdout : stderr) << command.output;
        return *command.exitCode;
    }

    // Before anything reads the settings: a pipe or a huge file there must not hang the start.
    CMSettingsFile::checkFile();
    QApplication app(argc, argv);
    QApplication::setWindowIcon(OVAbout::appIcon());
    // Menus, dialogs and alerts are windows of their own: they take the theme's dark palette
    // from the application.
    OVUI::shared()->bind(&app, [] { QApplication::setPalette(ovPalette(OVUI::shared()->theme())); });

    // One process owns the autosave file: a second launch hands over its file and leaves.
    CMSingleInstance instance(CMPrivateFolder::find(), CMPrivateFolder::user());
    WaitNotice notice(instance, command.files);
    switch (instance.start(command.files)) {
    case CMSingleInstance::Role::Secondary:
        if (command.remotePort) {
            QTextStream(stderr) << "Remote control: OVS Cuemaster is already running; turn its "
                                   "remote on in Prompter > Remote Control.\n";
        }
        return 0;
    case CMSingleInstance::Role::Cancelled:
        return 1;
    case CMSingleInstance::Role::Alone:
        QTextStream(stderr) << "OVS Cuemaster: can't check for a copy already running (no "
                               "private folder for its lock); this one runs on its own.\n";
        break;
    case CMSingleInstance::Role::Primary:
        break;
    }

    CMEngine &engine = CMEngine::shared();
    // A signal or a lost display connection writes what is pending before the process ends.
    CMShutdown::install(&engine, [&engine] { engine.flushPendingSave(); });
    CMFocus::follow(engine);
    CMDelegate delegate(engine);
    const QString appName = QString::fromLatin1(displayName);
    installHelp(appName);
    // Every way out passes here, so what is waiting to be saved is written first.
    CMQuit quit(engine, CMPrompterWindow::shared());
    QObject::connect(&quit, &CMQuit::quitRequested, &app, &QCoreApplication::quit);
    CMRemote remote(engine, {[](int screen) {
                                 CMPrompterWindow::shared().show(
                                     screen >= 0 ? screen
                                                 : CMPrompterWindow::screens().size() >= 2 ? 1 : 0);
                             },
                             [] { CMPrompterWindow::shared().close(); }});
    if (!startRemote(remote, command.remotePort))
        return 1;
    const CMMenus::Hooks hooks{
        [](const QString &page) {
            OVHelpWindow::show(page.isEmpty() ? std::nullopt : std::optional<QString>(page));
        },
        [appName] { OVAbout::show(appName); }, [&quit] { quit.request(); },
        [&remote] { CMRemotePanel::show(remote); }};
    CMMainWindow window(engine, new CMRoot(engine, CMPrompterWindow::shared()), hooks, quit);
    delegate.setMainWindow(&window);
    quit.setWindow(&window);
    // The session manager's logout: save now, and ask only if that fails and it lets us.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&engine, &window](QSessionManager &manager) {
                         if (engine.flushPendingSave() || !engine.scriptUnsaved())
                             return;
                         if (manager.allowsInteraction()) {
                             const bool quit = CMSaveGuard::mayQuit(engine, &window);
                             manager.release();
                             if (!quit)
                                 manager.cancel();
                         }
                     });
    QObject::connect(&instance, &CMSingleInstance::activated, &delegate, &CMDelegate::activate);

    // Showing the root installs the key monitor.
    window.show();
    delegate.openFiles(command.files);
    return app.exec();
}

} // namespace CMApp
