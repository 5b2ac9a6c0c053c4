#include "bench.h"

#include <engine/cmengine.h>
#include <engine/ovkeys.h>
#include <prompter/cmframeclock.h>
#include <prompter/cmliveroot.h>
#include <prompter/cmprompterwindow.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Median time of one key press through the application-wide monitor into the engine.
double pressUs(QWidget &target, int key, const QString &text)
{
    constexpr int presses = 200;
    return 1000.0 / presses * cmbench::medianMs(21, [&] {
               for (int i = 0; i < presses; ++i) {
                   QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
                   QApplication::sendEvent(&target, &press);
               }
           });
}

} // namespace

CM_BENCH("key_press", [](const cmbench::Report &report) {
    CMEngine engine;
    engine.setContentHeight(1e9);
    OVKeys::install([&engine](const QKeyEvent &e) { return engine.handle(e.key(), e.text()); });
    QWidget window;
    window.setFocusPolicy(Qt::StrongFocus);
    window.show();
    window.setFocus();
    report(u"key_press_jump"_s, pressUs(window, Qt::Key_Right, QString()), u"us"_s);
    // Mirror assigns a new settings record, which is saved at once.
    report(u"key_press_mirror"_s, pressUs(window, Qt::Key_M, u"m"_s), u"us"_s);
    report(u"key_press_passed_on"_s, pressUs(window, Qt::Key_X, u"x"_s), u"us"_s);
    OVKeys::remove();
});

CM_BENCH("go_live", [](const cmbench::Report &report) {
    CMEngine engine;
    CMPrompterWindow live(engine);
    const double ms = cmbench::medianMs(15, [&] {
        live.show(0);
        QCoreApplication::processEvents();
        live.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    report(u"go_live"_s, ms, u"ms"_s);
});

CM_BENCH("live_frame", [](const cmbench::Report &report) {
    CMEngine engine;
    engine.setContentHeight(1e9);
    CMLiveRoot root(engine);
    root.resize(1920, 1080);
    root.show();
    QCoreApplication::processEvents();
    QImage frame(1920, 1080, QImage::Format_RGB32);
    const auto clock = CMFrameClock::forEngine(engine);
    const auto draw = [&] {
        clock->advance(); // a new frame time, as the frame pacer gives each frame
        QPainter painter(&frame);
        root.render(&painter);
    };
    engine.play();
    report(u"live_frame_bar_hidden"_s, cmbench::medianMs(31, draw), u"ms"_s);
    root.setHover(true);
    QTest::qWait(CMLiveRoot::fadeMs / 3);
    report(u"live_frame_bar_fading"_s, cmbench::medianMs(31, draw), u"ms"_s);
    QTest::qWait(CMLiveRoot::fadeMs);
    report(u"live_frame_bar_shown"_s, cmbench::medianMs(31, draw), u"ms"_s);
});
