#include "bench.h"

#include <engine/cmengine.h>
#include <prompter/cmframeclock.h>
#include <prompter/cmliveroot.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Median time of one live frame drawn on every output of `sizes` at once: one frame time,
// each output's picture from its own row images of the one layout. Five seconds of scrolling
// at speed 5 through the middle of a 10,000-line script, 60 frames a second on a clock moved
// by hand, rendering ahead between frames as the event loop does; the first second untimed.
double outputsFrameMs(const QList<QSize> &sizes)
{
    CMInstant now = CMClock::now();
    CMEngine engine;
    engine.setTimeSource([&now] { return now; });
    engine.setScript(cmbench::makeScript(10000));
    engine.setSettings({.speed = 5, .countdown = 0});
    std::vector<std::unique_ptr<CMLiveRoot>> roots;
    std::vector<QImage> images;
    for (const QSize size : sizes) {
        roots.push_back(std::make_unique<CMLiveRoot>(engine));
        roots.back()->resize(size);
        roots.back()->show();
        images.emplace_back(size, QImage::Format_RGB32);
    }
    const auto clock = CMFrameClock::forEngine(engine);
    const auto drawAll = [&] {
        for (std::size_t i = 0; i < roots.size(); ++i) {
            QPainter painter(&images[i]);
            roots[i]->render(&painter);
        }
    };
    for (int i = 0; i < 50; ++i)
        QApplication::processEvents();
    engine.jump(0.4 * engine.contentHeight());
    drawAll();
    for (int i = 0; i < 200; ++i)
        QApplication::processEvents();

    engine.play();
    std::vector<double> times;
    for (int frame = 0; frame < 6 * 60; ++frame) {
        now = addSeconds(now, 1.0 / 60);
        clock->advance();
        const auto start = std::chrono::steady_clock::now();
        drawAll();
        const auto end = std::chrono::steady_clock::now();
        if (frame >= 60)
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        QApplication::processEvents();
    }
    engine.pause();
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

CM_BENCH("live_frame_two_outputs", [](const cmbench::Report &report) {
    const QSize hd(1920, 1080);
    const QSize uhd(3840, 2160);
    const double one1080 = outputsFrameMs({hd});
    const double one2160 = outputsFrameMs({uhd});
    const double both = outputsFrameMs({hd, uhd});
    report(u"live_frame_one_1080p"_s, one1080, u"ms"_s);
    report(u"live_frame_one_2160p"_s, one2160, u"ms"_s);
    report(u"live_frame_two_outputs"_s, both, u"ms"_s);
});
