// An engine with an unsaved change, waiting to be told to end: "script TEXT" leaves the
// autosave pending, "settings" mirrors the picture, "exit TEXT" calls exit() from the event
// loop as Qt does when the display connection is lost. Prints "ready" when set.
#include <engine/cmengine.h>
#include <store/cmshutdown.h>

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(u"Orvelle Software"_s);
    QCoreApplication::setApplicationName(u"Cuemaster"_s);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2)
        return 2;
    CMEngine engine;
    CMShutdown::install(&engine, [&engine] { engine.flushPendingSave(); });
    const QString mode = args.at(1);
    if (mode == "settings"_L1) {
        CMSettings s = engine.settings();
        s.mirror = !s.mirror;
        engine.setSettings(s);
    } else {
        engine.setScript(args.value(2));
    }
    if (mode == "exit"_L1)
        QTimer::singleShot(0, [] { std::exit(3); });
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
