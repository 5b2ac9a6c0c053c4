#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <engine/cmengine.h>
#include <remote/cmremote.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The remote on an engine with no window, for the browser test: a long script with cues whose
// layout facts are set as a prompter view would report them. Reads commands on standard input:
// "restart" stops the server and starts it again on the same port a moment later; "quit".
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const quint16 port = argc > 1 ? quint16(QByteArray(argv[1]).toUInt()) : 0;

    CMEngine engine;
    QString script;
    QList<CMCue> cues;
    // About what the prompter's layout gives a two-line row at the default size.
    const double rowPt = 213;
    for (int i = 0; i < 400; ++i) {
        if (i % 20 == 10) {
            const QString cue = u"[CUE %1 — roll the next clip]"_s.arg(i / 20 + 1);
            cues.append({i, cue, i * rowPt});
            script += cue + u'\n';
        } else {
            script +=
                u"Line %1: the presenter reads the evening news slowly and clearly.\n"_s.arg(i + 1);
        }
    }
    engine.replaceScript(script);
    engine.setContentHeight(400 * rowPt);
    engine.setViewportHeight(1080);
    engine.setCues(cues);
    CMSettings settings = engine.settings();
    settings.countdown = 0;
    engine.setSettings(settings);

    CMRemote remote(
        engine, {[&engine](int) { engine.setLive(true); }, [&engine] { engine.setLive(false); }});
    if (!remote.start({port, false})) {
        QTextStream(stderr) << remote.errorString() << '\n';
        return 1;
    }
    const quint16 bound = remote.port();
    QTextStream out(stdout);
    out << "Remote control: " << remote.localUrl().toString() << '\n'
        << "OSC: udp://127.0.0.1:" << remote.oscPort() << '\n';
    out.flush();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char line[64] = {};
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line - 1);
        const QByteArray command = QByteArray(line, n > 0 ? int(n) : 0).trimmed();
        if (n <= 0 || command == "quit") {
            app.quit();
        } else if (command == "restart") {
            remote.stop();
            QTimer::singleShot(1500, &app, [&] {
                if (!remote.start({bound, false}))
                    QTextStream(stderr) << remote.errorString() << '\n';
                QTextStream(stdout) << "restarted\n";
            });
        }
    });
    return app.exec();
}
