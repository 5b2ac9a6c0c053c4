#include "bench.h"

#include <engine/cmengine.h>
#include <prompter/cmcuereport.h>
#include <prompter/cmframeclock.h>
#include <prompter/cmliveroot.h>
#include <prompter/cmprompterview.h>
#include <prompter/cmscripttext.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double threadMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median processor time of one live frame drawn on every output of `sizes` at once: one frame
// time, each output's picture from its own row images of the one layout. Five seconds of
// scrolling at speed 5 through the middle of a 10,000-line script, 60 frames a second on a
// clock moved by hand, rendering ahead between frames as the event loop does; the first
// second untimed. Processor time, not wall time: the figure is the frame's own work, which a
// busy machine's other processes do not inflate.
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
    // What a frame repaints: each output's picture (the hint bar is hidden while running).
    const auto drawAll = [&] {
        for (std::size_t i = 0; i < roots.size(); ++i) {
            QPainter painter(&images[i]);
            roots[i]->prompterView()->render(&painter);
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
        const double start = threadMs();
        drawAll();
        if (frame >= 60)
            times.push_back(threadMs() - start);
        QApplication::processEvents();
    }
    engine.pause();
    return median(times);
}

// The three set-ups in turns, three times over, so that a drift of the machine touches all
// alike; each figure is the median of its three.
void twoOutputs(const cmbench::Report &report)
{
    const QList<QList<QSize>> setups{
        {QSize(1920, 1080)}, {QSize(3840, 2160)}, {QSize(1920, 1080), QSize(3840, 2160)}};
    std::vector<std::vector<double>> figures(std::size_t(setups.size()));
    for (int round = 0; round < 3; ++round) {
        for (qsizetype i = 0; i < setups.size(); ++i)
            figures[std::size_t(i)].push_back(outputsFrameMs(setups[i]));
    }
    report(u"live_frame_one_1080p"_s, median(figures[0]), u"ms"_s);
    report(u"live_frame_one_2160p"_s, median(figures[1]), u"ms"_s);
    report(u"live_frame_two_outputs"_s, median(figures[2]), u"ms"_s);
}

// One report of the cue lines to the engine after a keystroke moved them all (the pass over
// the rows that typing costs at most four times a second), for a 10,000-line script and a
// 200,000-line one (12 MB).
void cueReport(const cmbench::Report &report)
{
    for (const int lines : {10000, 200000}) {
        CMScriptText text;
        QString script = cmbench::makeScript(lines);
        text.setScript(script);
        QList<CMCue> reported = CMCueReport::collect(text);
        std::vector<double> times;
        for (int run = 0; run < 21; ++run) {
            script.prepend(u"x"_s);
            text.setScript(script);
            text.rowTop(0);
            times.push_back(cmbench::medianMs(1, [&] {
                reported = CMCueReport::collect(text, reported);
            }));
        }
        report(u"cue_report_%1"_s.arg(lines), median(times), u"ms"_s);
    }
}

} // namespace

CM_BENCH("live_frame_two_outputs", twoOutputs);
CM_BENCH("cue_report", cueReport);
