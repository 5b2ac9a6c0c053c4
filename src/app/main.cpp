#include <app/cmcommandline.h>
#include <app/cmdelegate.h>
#include <app/cmmainwindow.h>
#include <app/cmsingleinstance.h>
#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <engine/ovkeys.h>
#include <prompter/cmprompterview.h>

#include <QApplication>
#include <QKeyEvent>
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
    CMMainWindow window(engine, new CMPrompterView(engine, true),
                        {[](const QString &) {}, [] {}});
    delegate.setMainWindow(&window);
    QObject::connect(&instance, &CMSingleInstance::activated, &delegate, &CMDelegate::activate);

    window.show();
    OVKeys::install(
        [&engine](const QKeyEvent &key) { return engine.handle(key.key(), key.text()); });
    delegate.openFiles(command.files);
    return app.exec();
}
