#include "cmapp.h"

#include "cmcommandline.h"
#include "cmdelegate.h"
#include "cmmainwindow.h"
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
#include <prompter/cmprompterwindow.h>
#include <remote/cmremote.h>
#include <remote/cmremotepanel.h>

#include <QApplication>
#include <QTextStream>

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

    QApplication app(argc, argv);
    QApplication::setWindowIcon(OVAbout::appIcon());
    // Menus, dialogs and alerts are windows of their own: they take the theme's dark palette
    // from the application.
    OVUI::shared()->bind(&app, [] { QApplication::setPalette(ovPalette(OVUI::shared()->theme())); });

    // One process owns the autosave file: a second launch hands over its file and leaves.
    CMSingleInstance instance(CMSingleInstance::defaultKey());
    if (instance.start(command.files) == CMSingleInstance::Role::Secondary) {
        if (command.remotePort) {
            QTextStream(stderr) << "Remote control: OVS Cuemaster is already running; turn its "
                                   "remote on in Prompter > Remote Control.\n";
        }
        return 0;
    }

    CMEngine &engine = CMEngine::shared();
    CMFocus::follow(engine);
    CMDelegate delegate(engine);
    const QString appName = QString::fromLatin1(displayName);
    installHelp(appName);
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
        [appName] { OVAbout::show(appName); },
        [&remote] { CMRemotePanel::show(remote); }};
    CMMainWindow window(engine, new CMRoot(engine, CMPrompterWindow::shared()), hooks);
    delegate.setMainWindow(&window);
    QObject::connect(&instance, &CMSingleInstance::activated, &delegate, &CMDelegate::activate);

    // Showing the root installs the key monitor.
    window.show();
    delegate.openFiles(command.files);
    return app.exec();
}

} // namespace CMApp
