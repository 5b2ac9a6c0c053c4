#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <engine/cmmath.h>
#include <engine/ovkeys.h>
#include <prompter/cmprompterview.h>
#include <prompter/cmprompterwindow.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication::setOrganizationName(u"Orvelle Software"_s);
    QApplication::setApplicationName(u"Cuemaster"_s);
    QApplication::setApplicationDisplayName(u"OVS Cuemaster"_s);
    QApplication::setApplicationVersion(QStringLiteral(CM_VERSION));
    QApplication app(argc, argv);

    CMEngine &engine = CMEngine::shared();
    CMFocus::follow(engine);
    OVKeys::install(
        [&engine](const QKeyEvent &key) { return engine.handle(key.key(), key.text()); });

    // Stand-in main window until the real one lands: the state, the rig preview, Ctrl+L.
    QWidget window;
    window.setWindowTitle(u"OVS Cuemaster"_s);
    window.resize(1400, 900);
    auto *layout = new QVBoxLayout(&window);
    auto *status = new QLabel(&window);
    layout->addWidget(status);
    layout->addWidget(new CMPrompterView(engine, true, &window), 1);
    const auto showStatus = [&engine, status] {
        const CMSettings &s = engine.settings();
        status->setText(u"%1 words · %2 · speed %3 · size %4%5%6 · Ctrl+L goes live, Esc ends it"_s
                            .arg(CMMath::words(engine.script()))
                            .arg(engine.running()    ? u"running"_s
                                 : engine.finished() ? u"finished"_s
                                                     : u"stopped"_s)
                            .arg(s.speed, 0, 'f', 1)
                            .arg(s.fontSize)
                            .arg(s.mirror ? u" · mirrored"_s : QString())
                            .arg(s.flip ? u" · flipped"_s : QString()));
    };
    QObject::connect(&engine, &CMEngine::runningChanged, status, showStatus);
    QObject::connect(&engine, &CMEngine::finishedChanged, status, showStatus);
    QObject::connect(&engine, &CMEngine::settingsChanged, status, showStatus);
    showStatus();

    auto *goLive = new QShortcut(QKeySequence(u"Ctrl+L"_s), &window);
    QObject::connect(goLive, &QShortcut::activated, &window, [&engine] {
        CMPrompterWindow &live = CMPrompterWindow::shared();
        if (engine.live())
            live.close();
        else
            live.show(CMPrompterWindow::screens().size() >= 2 ? 1 : 0);
    });

    window.show();
    return app.exec();
}
