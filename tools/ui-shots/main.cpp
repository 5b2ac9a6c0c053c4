// ui-shots: renders the application's windows to PNG files, offscreen, with a fixed script and
// a clock that stands still, so the pictures come out the same on every run.
//     ui-shots --out DIR [NAME...]
#include "shots.h"

#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <kit/ovui.h>
#include <prompter/cmtimeoverlay.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

void settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (clock.elapsed() < ms);
}

void reset(CMEngine &engine)
{
    OVUI::shared()->setThemeId(QString());
    OVUI::shared()->setZoom(1.0);
    engine.setSettings(CMSettings{});
    engine.setScript(shotScript());
    engine.setLive(false);
    engine.setTargetDuration(0);
    engine.backToTop();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The shots never read or write the user's own settings and script.
    QTemporaryDir home;
    if (!home.isValid()) {
        QTextStream(stderr) << "ui-shots: no temporary folder" << Qt::endl;
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(u"config"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(u"data"_s)));

    QApplication::setOrganizationName(u"Orvelle Software"_s);
    QApplication::setApplicationName(u"Cuemaster"_s);
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Pictures of the application's windows."_s);
    parser.addHelpOption();
    const QCommandLineOption out(u"out"_s, u"Write the PNG files into <dir>."_s, u"dir"_s);
    parser.addOption(out);
    parser.addPositionalArgument(u"names"_s, u"Only the shots with these names."_s);
    parser.process(app);
    if (!parser.isSet(out)) {
        QTextStream(stderr) << "ui-shots: --out DIR is required" << Qt::endl;
        return 2;
    }
    QDir dir(parser.value(out));
    if (!dir.mkpath(u"."_s)) {
        QTextStream(stderr) << "ui-shots: cannot create " << dir.path() << Qt::endl;
        return 1;
    }

    CMEngine &engine = CMEngine::shared();
    CMFocus::follow(engine);
    const CMInstant still = CMClock::now();
    engine.setTimeSource([still] { return still; });
    CMTimeOverlay::setWallClock([] { return QTime(19, 30); });

    const QStringList wanted = parser.positionalArguments();
    int failures = 0;
    int written = 0;
    for (const UiShot &shot : uiShots()) {
        if (!wanted.isEmpty() && !wanted.contains(shot.name))
            continue;
        reset(engine);
        const QString file = dir.filePath(shot.name + u".png"_s);
        if (shot.picture) {
            const QImage picture = shot.picture();
            if (!picture.isNull() && picture.save(file)) {
                QTextStream(stdout) << file << Qt::endl;
                ++written;
            } else {
                QTextStream(stderr) << "ui-shots: cannot write " << file << Qt::endl;
                ++failures;
            }
            continue;
        }
        std::unique_ptr<QWidget> window = shot.make(engine);
        window->setAttribute(Qt::WA_DontShowOnScreen);
        window->resize(shot.size);
        window->show();
        // The prompter reports its measurements to the engine from the event loop.
        settle(150);
        if (shot.ready) {
            shot.ready(engine, *window);
            settle(150);
        }
        if (window->grab().save(file)) {
            QTextStream(stdout) << file << Qt::endl;
            ++written;
        } else {
            QTextStream(stderr) << "ui-shots: cannot write " << file << Qt::endl;
            ++failures;
        }
        window.reset();
    }
    if (written == 0 && failures == 0) {
        QTextStream(stderr) << "ui-shots: no such shot" << Qt::endl;
        return 2;
    }
    return failures ? 1 : 0;
}
