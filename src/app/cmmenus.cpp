#include "cmmenus.h"

#include "cmapp.h"
#include "cmeditmenu.h"

#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <files/cmscriptfiles.h>
#include <kit/ovmaker.h>
#include <kit/ovtheme.h>
#include <kit/ovui.h>
#include <prompter/cmprompterwindow.h>

#include <QActionGroup>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>

#include <cmath>

using namespace Qt::StringLiterals;

namespace CMMenus {

namespace {

QAction *add(QMenu *menu, const QString &title, const QList<QKeySequence> &keys,
             const std::function<void()> &action)
{
    QAction *a = menu->addAction(title);
    a->setShortcuts(keys);
    // Shortcuts work from every window of the application, the live window included.
    a->setShortcutContext(Qt::ApplicationShortcut);
    QObject::connect(a, &QAction::triggered, menu, action);
    return a;
}

void fileMenu(QMenuBar &bar, CMEngine &engine, QWidget &window, const Hooks &hooks)
{
    QMenu *m = bar.addMenu(u"&File"_s);
    add(m, u"Import Script…"_s, {QKeySequence(Qt::CTRL | Qt::Key_O)},
        [&engine, &window] { CMScriptFiles::importScript(engine, &window); });
    add(m, u"Save Script as TXT…"_s, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        [&engine, &window] { CMScriptFiles::exportScript(engine, &window); });
    m->addSeparator();
    // Some platform themes bind no Quit key; Ctrl+Q is what the desktops here use.
    QList<QKeySequence> quitKeys = QKeySequence::keyBindings(QKeySequence::Quit);
    if (quitKeys.isEmpty())
        quitKeys << QKeySequence(Qt::CTRL | Qt::Key_Q);
    QAction *quit = add(m, u"Quit"_s, quitKeys,
                        [hooks] {
                            if (hooks.quit)
                                hooks.quit();
                        });
    quit->setMenuRole(QAction::QuitRole);
}

void toggleSetting(CMEngine &engine, bool CMSettings::*field)
{
    CMSettings s = engine.settings();
    s.*field = !(s.*field);
    engine.setSettings(s);
}

void prompterMenu(QMenuBar &bar, CMEngine &engine, const Hooks &hooks)
{
    QMenu *m = bar.addMenu(u"&Prompter"_s);
    add(m, u"Start / Stop"_s,
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)},
        [&engine] { engine.toggle(); });
    add(m, u"Back to Top"_s, {QKeySequence(Qt::CTRL | Qt::Key_Up)},
        [&engine] { engine.backToTop(); });
    add(m, u"Faster"_s, {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Up)},
        [&engine] { engine.faster(); });
    add(m, u"Slower"_s, {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Down)},
        [&engine] { engine.slower(); });
    m->addSeparator();
    QAction *next = add(m, u"Next Cue"_s, {QKeySequence(Qt::CTRL | Qt::Key_BracketRight)},
                        [&engine] { engine.nextCue(); });
    QAction *previous =
        add(m, u"Previous Cue"_s, {QKeySequence(Qt::CTRL | Qt::Key_BracketLeft)},
            [&engine] { engine.previousCue(); });
    // A script without cue lines has nowhere to go.
    const auto haveCues = [&engine, next, previous] {
        next->setEnabled(!engine.cues().isEmpty());
        previous->setEnabled(!engine.cues().isEmpty());
    };
    QObject::connect(&engine, &CMEngine::cuesChanged, m, haveCues);
    haveCues();
    m->addSeparator();
    QAction *mirror =
        add(m, u"Mirror"_s, {}, [&engine] { toggleSetting(engine, &CMSettings::mirror); });
    QAction *flip = add(m, u"Flip Upside Down"_s, {},
                        [&engine] { toggleSetting(engine, &CMSettings::flip); });
    // The items show their state, so the operator sees what a click will undo.
    for (QAction *a : {mirror, flip})
        a->setCheckable(true);
    const auto sync = [&engine, mirror, flip] {
        mirror->setChecked(engine.settings().mirror);
        flip->setChecked(engine.settings().flip);
    };
    QObject::connect(&engine, &CMEngine::settingsChanged, m, sync);
    sync();
    m->addSeparator();
    add(m, u"Go Live on Second Display"_s, {}, [] {
        CMPrompterWindow::shared().show(CMPrompterWindow::screens().size() >= 2 ? 1 : 0);
    });
    add(m, u"Go Live on This Display"_s, {}, [] { CMPrompterWindow::shared().show(0); });
    add(m, u"End Live"_s, {}, [] { CMPrompterWindow::shared().close(); });
    if (hooks.showRemote) {
        m->addSeparator();
        add(m, u"Remote Control…"_s, {}, hooks.showRemote);
    }
}

void viewMenu(QMenuBar &bar)
{
    OVUI *ui = OVUI::shared();
    QMenu *m = bar.addMenu(u"&View"_s);
    add(m, u"Zoom In"_s,
        {QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)},
        [ui] { ui->zoomIn(); });
    add(m, u"Zoom Out"_s, {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [ui] { ui->zoomOut(); });
    add(m, u"Actual Size (100%)"_s, {QKeySequence(Qt::CTRL | Qt::Key_0)},
        [ui] { ui->actualSize(); });
    QAction *zoomLine = m->addAction(QString());
    zoomLine->setEnabled(false);
    m->addSeparator();
    QMenu *themes = m->addMenu(u"Theme"_s);
    auto *group = new QActionGroup(themes);
    for (const OVTheme &theme : OVTheme::all()) {
        QAction *a = themes->addAction(theme.name);
        a->setCheckable(true);
        a->setData(theme.id);
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, themes, [ui, id = theme.id] {
            ui->setThemeId(id);
        });
    }
    m->addSeparator();
    ui->bind(m, [ui, zoomLine, group] {
        zoomLine->setText(CMMenus::zoomLine(ui->zoom()));
        for (QAction *a : group->actions())
            a->setChecked(a->data().toString() == ui->themeId());
    });
}

void helpMenu(QMenuBar &bar, const Hooks &hooks)
{
    const QString app = QString::fromLatin1(CMApp::displayName);
    QMenu *m = bar.addMenu(u"&Help"_s);
    add(m, app + u" Help"_s, {QKeySequence(Qt::CTRL | Qt::Key_Question)},
        [hooks] { hooks.showHelp(QString()); });
    add(m, u"Quick Start"_s, {}, [hooks] { hooks.showHelp(u"quickstart"_s); });
    add(m, u"Keyboard Shortcuts"_s, {}, [hooks] { hooks.showHelp(u"keys"_s); });
    m->addSeparator();
    add(m, u"Visit Orvelle Software"_s, {},
        [] { QDesktopServices::openUrl(OVSMaker::website()); });
    m->addSeparator();
    QAction *about = add(m, u"About "_s + app, {}, [hooks] { hooks.showAbout(); });
    about->setMenuRole(QAction::AboutRole);
}

} // namespace

QString zoomLine(double zoom)
{
    return u"Interface Zoom: %1%"_s.arg(std::lround(zoom * 100));
}

void build(QMenuBar &bar, CMEngine &engine, QWidget &window, const Hooks &hooks)
{
    fileMenu(bar, engine, window, hooks);
    new CMEditMenu(bar);
    prompterMenu(bar, engine, hooks);
    viewMenu(bar);
    helpMenu(bar, hooks);
}

} // namespace CMMenus
