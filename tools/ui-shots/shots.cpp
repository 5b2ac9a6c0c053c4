#include "shots.h"

#include <engine/cmengine.h>
#include <kit/ovroot.h>
#include <kit/ovtheme.h>
#include <kit/ovui.h>
#include <mainwindow/cmdeck.h>
#include <mainwindow/cmmain.h>
#include <mainwindow/cmroot.h>
#include <help/cmhelp.h>
#include <help/ovcommonhelp.h>
#include <help/ovhelpshots.h>
#include <help/ovhelpwindow.h>
#include <prompter/cmliveroot.h>
#include <prompter/cmoutputs.h>
#include <prompter/cmprompterwindow.h>

#include <QApplication>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The main window as the application builds it: the root in a window styled by ovsRoot.
std::unique_ptr<QWidget> mainWindow(CMEngine &engine)
{
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(u"OVS Cuemaster"_s);
    auto *layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new CMRoot(engine, CMPrompterWindow::shared()));
    ovsRoot(window.get());
    return window;
}

std::function<std::unique_ptr<QWidget>(CMEngine &)> inTheme(const OVTheme &theme)
{
    return [id = theme.id](CMEngine &engine) {
        OVUI::shared()->setThemeId(id);
        return mainWindow(engine);
    };
}

std::function<std::unique_ptr<QWidget>(CMEngine &)> atZoom(double zoom)
{
    return [zoom](CMEngine &engine) {
        OVUI::shared()->setZoom(zoom);
        return mainWindow(engine);
    };
}

// The deck alone in a window of its own, for the arrangement no main window is narrow enough
// to need.
std::unique_ptr<QWidget> deckAlone(CMEngine &engine)
{
    auto window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(new CMDeck(engine, CMPrompterWindow::shared()));
    layout->addStretch();
    ovsRoot(window.get());
    return window;
}

void runMidScript(CMEngine &engine, QWidget &)
{
    CMSettings s = engine.settings();
    s.countdown = 0;
    engine.setSettings(s);
    engine.jump(0.4 * engine.contentHeight());
    engine.play();
}

// The main window's side of going live, without a live window in the picture.
void onAir(CMEngine &engine, QWidget &)
{
    engine.setLive(true);
}

void countdown(CMEngine &engine, QWidget &)
{
    CMSettings s = engine.settings();
    s.countdown = 5;
    engine.setSettings(s);
    engine.play();
}

// The live window's content at full HD, paused mid-script so its hint bar shows.
std::unique_ptr<QWidget> liveWindow(CMEngine &engine)
{
    return std::make_unique<CMLiveRoot>(engine);
}

void pausedMidScript(CMEngine &engine, QWidget &)
{
    engine.jump(0.3 * engine.contentHeight());
}

// A talent's glass: mirrored, no hint bar, the time of the take in the corner the reader sees
// as the top right, against a target of 3:30.
std::unique_ptr<QWidget> glassOutput(CMEngine &engine)
{
    auto root = std::make_unique<CMLiveRoot>(engine);
    CMOutputOptions glass;
    glass.picture = CMPicture::Mirror;
    glass.hintBar = false;
    glass.showTime = true;
    root->setOptions(glass);
    return root;
}

void runningToTarget(CMEngine &engine, QWidget &window)
{
    engine.setTargetDuration(210);
    runMidScript(engine, window);
}

std::function<QImage()> helpWindow(const std::optional<QString> &page, const QString &search)
{
    return [page, search] {
        const QString app = u"OVS Cuemaster"_s;
        OVHelpWindow::setAppName(app);
        OVHelpWindow::setPages(CMHelp::pages() + OVCommonHelp::pages(app));
        return OVHelpShots::helpWindow(page, search);
    };
}

} // namespace

QString shotScript()
{
    return CMEngine::sampleScript()
           + u"\n\n[Segment two — the news]\n"
             u"Tonight we look at the week in review, from the city council's budget vote to "
             u"the opening of the new library on the river front.\n\n"
             u"The council approved the budget by seven votes to two after a long evening of "
             u"debate. Spending on roads rises by a tenth; the parks keep what they had.\n\n"
             u"[Roll clip — thirty seconds]\n"
             u"The library opened its doors on Saturday morning to a queue that stretched round "
             u"the block. Children were first through the door.\n\n"
             u"[Back to camera]\n"
             u"That's all for tonight. Thank you for watching, and good night."_s;
}

QList<UiShot> uiShots()
{
    QList<UiShot> shots;
    const QSize standard(1400, 900);
    for (const OVTheme &theme : OVTheme::all())
        shots.append({u"main-"_s + theme.id, standard, inTheme(theme), {}, {}});
    shots.append({u"main-zoom-1.5"_s, standard, atZoom(1.5), {}, {}});
    shots.append({u"main-minimum"_s, QSize(CMRoot::minimumWidth, CMRoot::minimumHeight),
                  mainWindow, {}, {}});
    shots.append({u"deck-wide"_s, standard, mainWindow, {}, {}});
    shots.append({u"deck-medium"_s, QSize(CMRoot::minimumWidth, CMRoot::minimumHeight),
                  atZoom(1.25), {}, {}});
    shots.append({u"deck-narrow"_s, QSize(520, 480), deckAlone, {}, {}});
    shots.append({u"main-running"_s, standard, mainWindow, runMidScript, {}});
    shots.append({u"main-countdown"_s, standard, mainWindow, countdown, {}});
    shots.append({u"main-on-air"_s, standard, mainWindow, onAir, {}});
    shots.append({u"live-hint-bar"_s, QSize(1920, 1080), liveWindow, pausedMidScript, {}});
    shots.append({u"live-glass"_s, QSize(1280, 1024), glassOutput, runningToTarget, {}});
    shots.append({u"help-first"_s, {}, {}, {}, helpWindow(std::nullopt, {})});
    shots.append({u"help-keys"_s, {}, {}, {}, helpWindow(u"keys"_s, {})});
    shots.append({u"help-search-mirror"_s, {}, {}, {}, helpWindow(std::nullopt, u"mirror"_s)});
    shots.append({u"about"_s, {}, {}, {},
                  [] { return OVHelpShots::aboutPanel(u"OVS Cuemaster"_s); }});
    return shots;
}
