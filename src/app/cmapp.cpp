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
#include <prompter/cmprompterwindow.h>

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
    CMSingleInstance instance(CMPrivateFolder::find(), CMPrivateFolder::user());
    WaitNotice notice(instance, command.files);
    switch (instance.start(command.files)) {
    case CMSingleInstance::Role::Secondary:
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
    CMFocus::follow(engine);
    CMDelegate delegate(engine);
    const QString appName = QString::fromLatin1(displayName);
    installHelp(appName);
    // Every way out passes here, so what is waiting to be saved is written first.
    CMQuit quit(engine, CMPrompterWindow::shared());
    QObject::connect(&quit, &CMQuit::quitRequested, &app, &QCoreApplication::quit);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &quit,
                     [&quit](QSessionManager &session) {
                         if (!quit.mayQuit())
                             session.cancel();
                     });
    const CMMenus::Hooks hooks{
        [](const QString &page) {
            OVHelpWindow::show(page.isEmpty() ? std::nullopt : std::optional<QString>(page));
        },
        [appName] { OVAbout::show(appName); }, [&quit] { quit.request(); }};
    CMMainWindow window(engine, new CMRoot(engine, CMPrompterWindow::shared()), hooks, quit);
    delegate.setMainWindow(&window);
    QObject::connect(&instance, &CMSingleInstance::activated, &delegate, &CMDelegate::activate);

    // Showing the root installs the key monitor.
    window.show();
    delegate.openFiles(command.files);
    return app.exec();
}

} // namespace CMApp
