#include "bench.h"

#include <engine/cmengine.h>
#include <engine/cmmath.h>
#include <kit/ovlettering.h>
#include <kit/ovroot.h>
#include <mainwindow/cmheader.h>
#include <mainwindow/cmmain.h>
#include <mainwindow/cmrig.h>
#include <mainwindow/cmrigstage.h>
#include <mainwindow/cmroot.h>
#include <mainwindow/cmscriptdesk.h>
#include <mainwindow/cmscripteditor.h>
#include <prompter/cmframeclock.h>
#include <prompter/cmprompterview.h>
#include <prompter/cmprompterwindow.h>
#include <prompter/cmtextmodel.h>

#include <QApplication>
#include <QTest>
#include <QTextStream>
#include <QVBoxLayout>

#include <chrono>

using namespace Qt::StringLiterals;

namespace {

// The main window's content in a 1400 × 900 window, shown.
CMRoot *showMainWindow(QWidget &window, CMEngine &engine, CMPrompterWindow &live)
{
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *root = new CMRoot(engine, live);
    layout->addWidget(root);
    ovsRoot(&window);
    window.resize(1400, 900);
    window.show();
    return root;
}

} // namespace

namespace {

// One keystroke in the editor of a main window holding `script`, in its middle, until the
// engine has the new script, the header its word count and the prompter its layout: the key's
// delivery and everything the event loop then has to do, the repaint included. Typed at once
// after the script arrived, while the prompter still measures its rows in slices between
// frames (a key may wait for a slice), and, when asked, again after every row is measured.
struct Typing
{
    double atOnceMs = 0;
    double measuredMs = 0;
    double slowestMs = 0; // of every key typed (one of them wraps its line in the editor)
};

Typing typeInMainWindow(const QString &name, const QString &script, int keys,
                        bool afterMeasuring = false)
{
    CMEngine engine;
    engine.setScript(script);
    CMPrompterWindow live(engine);
    QWidget window;
    CMRoot *root = showMainWindow(window, engine, live);
    QApplication::setActiveWindow(&window);
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();

    CMScriptEditor *editor = root->main()->desk()->editor();
    editor->setFocus();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(int(engine.scriptSize() / 2));
    editor->setTextCursor(cursor);
    editor->ensureCursorVisible();
    QApplication::processEvents();

    int key = 0;
    Typing typing;
    const auto type = [&] {
        const auto start = std::chrono::steady_clock::now();
        // A letter, then a space: the word count changes with every other key.
        QTest::keyClick(editor, ++key % 2 ? 'x' : ' ');
        QApplication::processEvents();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        typing.slowestMs = std::max(typing.slowestMs, took.count());
    };
    typing.atOnceMs = cmbench::medianMs(keys, type);
    if (afterMeasuring) {
        CMTextModel::forEngine(engine)->text().measureAll();
        typing.measuredMs = cmbench::medianMs(keys, type);
    }

    const QString expected = CMHeader::readoutText(CMMath::words(engine.script()));
    if (engine.script() != editor->toPlainText()
        || root->main()->header()->readout()->text() != expected) {
        QTextStream(stderr) << name << ": the engine or the header fell behind" << Qt::endl;
    }
    return typing;
}

} // namespace

CM_BENCH("type_10000", [](const cmbench::Report &report) {
    report(u"type_10000"_s,
           typeInMainWindow(u"type_10000"_s, cmbench::makeScript(10000), 201).atOnceMs,
           u"ms"_s);
});

// The same in a 20 MB script (about 330,000 lines, 3 million words), and in one just under
// the importer's 64 MB bound (1,050,000 lines, 10 million words), also once all its rows are
// measured (which takes the prompter some 10 s of slices between frames).
CM_BENCH("type_20mb", [](const cmbench::Report &report) {
    report(u"type_20mb"_s,
           typeInMainWindow(u"type_20mb"_s, cmbench::makeScript(330000), 41).atOnceMs, u"ms"_s);
});

CM_BENCH("type_64mb", [](const cmbench::Report &report) {
    const Typing typing =
        typeInMainWindow(u"type_64mb"_s, cmbench::makeScript(1050000), 41, true);
    report(u"type_64mb"_s, typing.atOnceMs, u"ms"_s);
    report(u"type_64mb_measured"_s, typing.measuredMs, u"ms"_s);
    report(u"type_64mb_slowest"_s, typing.slowestMs, u"ms"_s);
});

// An import's text replacing the script of a main window (10,000 lines before): the call, and
// the event loop's turns until the editor has all of it, one by one (the longest is how long
// the window does not answer). The reading of the file runs on a thread of its own.
constexpr int kReplacedLines[] = {10000, 100000, 330000};

CM_BENCH("replace_script", [](const cmbench::Report &report) {
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::duration d) {
        return double(std::chrono::duration_cast<std::chrono::microseconds>(d).count()) / 1000;
    };
    for (const int lines : kReplacedLines) {
        CMEngine engine;
        engine.setScript(cmbench::makeScript(10000));
        CMPrompterWindow live(engine);
        QWidget window;
        CMRoot *root = showMainWindow(window, engine, live);
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        const QString script = cmbench::makeScript(lines);
        CMScriptEditor *editor = root->main()->desk()->editor();
        const Clock::time_point start = Clock::now();
        engine.replaceScript(script);
        Clock::duration longest = Clock::now() - start;
        while (editor->isReadOnly()) {
            const Clock::time_point turn = Clock::now();
            QApplication::processEvents();
            longest = std::max(longest, Clock::now() - turn);
        }
        const Clock::duration total = Clock::now() - start;
        if (editor->toPlainText() != engine.script())
            QTextStream(stderr) << "replace_script: the editor fell behind" << Qt::endl;
        report(u"replace_script_%1"_s.arg(lines), ms(total), u"ms"_s);
        report(u"replace_script_%1_longest"_s.arg(lines), ms(longest), u"ms"_s);
    }
});

// A frame of the rig preview while the prompter runs: the picture and the glass drawn over its
// corners, repainted in a 1400 × 900 main window.
CM_BENCH("rig_frame", [](const cmbench::Report &report) {
    CMEngine engine;
    engine.setScript(cmbench::makeScript(200));
    CMSettings s = engine.settings();
    s.countdown = 0;
    engine.setSettings(s);
    CMPrompterWindow live(engine);
    QWidget window;
    CMRoot *root = showMainWindow(window, engine, live);
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    engine.play();
    QWidget *picture = root->main()->rig()->stage()->picture();
    const auto clock = CMFrameClock::forEngine(engine);
    // Each repaint a new frame time, as the frame pacer gives each frame.
    const auto frame = [&] {
        clock->advance();
        picture->repaint();
    };
    for (int i = 0; i < 30; ++i)
        frame();
    report(u"rig_frame"_s, cmbench::medianMs(121, frame), u"ms"_s);
    engine.pause();
});
