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
#include <mainwindow/cmsavenotice.h>
#include <prompter/cmprompterwindow.h>
#include <store/cmsettingsfile.h>
#include <store/cmshutdown.h>

#include <QApplication>
#include <QSessionManager>
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
    CMSingleInstance instance(CMSingleInstance::defaultKey());
    if (instance.start(command.files) == CMSingleInstance::Role::Secondary)
        return 0;

    CMEngine &engine = CMEngine::shared();
    // A signal or a lost display connection writes what is pending before the process ends.
    CMShutdown::install(&engine, [&engine] { engine.flushPendingSave(); });
    CMFocus::follow(engine);
    CMDelegate delegate(engine);
    const QString appName = QString::fromLatin1(displayName);
    installHelp(appName);
    const CMMenus::Hooks hooks{
        [](const QString &page) {
            OVHelpWindow::show(page.isEmpty() ? std::nullopt : std::optional<QString>(page));
        },
        [appName] { OVAbout::show(appName); }};
    CMMainWindow window(engine, new CMRoot(engine, CMPrompterWindow::shared()), hooks);
    delegate.setMainWindow(&window);
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
