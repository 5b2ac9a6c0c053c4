#include <app/cmcommandline.h>
#include <app/cmdelegate.h>
#include <app/cmmainwindow.h>
#include <app/cmsingleinstance.h>
#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <mainwindow/cmroot.h>
#include <prompter/cmprompterwindow.h>

#include <QApplication>
#include <QTextStream>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication::setOrganizationName(u"Orvelle Software"_s);
    QApplication::setApplicationName(u"Cuemaster"_s);
    QApplication::setApplicationDisplayName(u"OVS Cuemaster"_s);
    QApplication::setDesktopFileName(u"example.orvelle.Cuemaster"_s);

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CMCommandLine command = CMCommandLine::parse(arguments);
    if (command.exitCode) {
        QTextStream(*command.exitCode == 0 ? stdout : stderr) << command.output;
        return *command.exitCode;
    }

    QApplication app(argc, argv);

    // One process owns the autosave file: a second launch hands over its file and leaves.
    CMSingleInstance instance(CMSingleInstance::defaultKey());
    if (instance.start(command.files) == CMSingleInstance::Role::Secondary)
        return 0;

    CMEngine &engine = CMEngine::shared();
    CMFocus::follow(engine);
    CMDelegate delegate(engine);
    CMMainWindow window(engine, new CMRoot(engine, CMPrompterWindow::shared()),
                        {[](const QString &) {}, [] {}});
    delegate.setMainWindow(&window);
    QObject::connect(&instance, &CMSingleInstance::activated, &delegate, &CMDelegate::activate);

    // Showing the root installs the key monitor.
    window.show();
    delegate.openFiles(command.files);
    return app.exec();
}
