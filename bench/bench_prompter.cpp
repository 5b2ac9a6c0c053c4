#include "bench.h"

#include <engine/cmengine.h>
#include <engine/cmsettings.h>
#include <prompter/cmprompterrenderer.h>
#include <prompter/cmscripttext.h>

#include <QFile>
#include <QPainter>

#include <chrono>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto betweenFrames = std::chrono::milliseconds(4);

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The prompter picture drawn into an offscreen image, as the live view draws it.
struct Prompter
{
    CMSettings settings;
    CMScriptText text;
    CMPrompterRenderer renderer{text};
    QImage image;

    Prompter(int lines, QSize size, double speed = 5, bool international = false)
        : image(size, QImage::Format_RGB32)
    {
        settings.speed = speed;
        text.setStyle(CMTextStyle::fromSettings(settings));
        text.setScript(international ? cmbench::makeIntlScript(lines)
                                     : cmbench::makeScript(lines));
        text.measureAll();
        renderer.setSettings(settings);
        renderer.setViewSize(size);
    }

    void paint(double offset, double motion)
    {
        QPainter painter(&image);
        renderer.paint(painter, {offset, std::nullopt, motion});
    }

    // One frame as the view runs it: the frame, then rendering ahead in the time between.
    double frame(double offset)
    {
        const auto start = Clock::now();
        paint(offset, CMEngine::rate(settings) / 60 * renderer.geometry().scale);
        renderer.renderAhead(betweenFrames);
        return msSince(start);
    }

    void settle(double offset)
    {
        paint(offset, 0);
        renderer.renderAhead(std::chrono::hours(1));
    }
};

// Median frame time over five seconds of scrolling (at speed 5 unless said), from the middle of the script
// after the picture stood there (as it does before the operator presses play), timed after a
// first second of scrolling.
void scrolling(const cmbench::Report &report, const QString &name, int lines, QSize size,
               double speed = 5, bool international = false)
{
    Prompter prompter(lines, size, speed, international);
    const double rate = CMEngine::rate(prompter.settings);
    const double start = prompter.text.height() * 0.4;
    prompter.settle(start);
    std::vector<double> times;
    for (int frame = 0; frame < 6 * 60; ++frame) {
        const double ms = prompter.frame(start + rate * frame / 60.0);
        if (frame >= 60)
            times.push_back(ms);
    }
    report(name, median(times), u"ms"_s);
}

double residentMegabytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    }
    return -1;
}

} // namespace

CM_BENCH("frame_1080p_100", [](const cmbench::Report &report) {
    scrolling(report, u"frame_1080p_100"_s, 100, QSize(1920, 1080));
});

CM_BENCH("frame_1080p_10000", [](const cmbench::Report &report) {
    scrolling(report, u"frame_1080p_10000"_s, 10000, QSize(1920, 1080));
});

CM_BENCH("frame_2160p_100", [](const cmbench::Report &report) {
    scrolling(report, u"frame_2160p_100"_s, 100, QSize(3840, 2160));
});

CM_BENCH("frame_2160p_10000", [](const cmbench::Report &report) {
    scrolling(report, u"frame_2160p_10000"_s, 10000, QSize(3840, 2160));
});

// Latin with emoji, Chinese and Arabic: fallback faces, colour pictures, right-to-left lines.
CM_BENCH("frame_2160p_intl", [](const cmbench::Report &report) {
    scrolling(report, u"frame_2160p_intl"_s, 10000, QSize(3840, 2160), 5, true);
});

// Slow enough for the text to be placed between pixels: the costlier kind of frame.
CM_BENCH("frame_2160p_slow_10000", [](const cmbench::Report &report) {
    scrolling(report, u"frame_2160p_slow_10000"_s, 10000, QSize(3840, 2160), 2);
});

// From a jump to a place whose rows have no images yet until that frame is drawn.
CM_BENCH("seek_2160p_10000", [](const cmbench::Report &report) {
    Prompter prompter(10000, QSize(3840, 2160));
    prompter.settle(0);
    std::vector<double> times;
    for (int jump = 0; jump < 9; ++jump) {
        const double target = prompter.text.height() * (0.3 + 0.05 * jump);
        const auto start = Clock::now();
        prompter.paint(target, 0);
        times.push_back(msSince(start));
        prompter.renderer.renderAhead(std::chrono::hours(1));
    }
    report(u"seek_2160p_10000"_s, median(times), u"ms"_s);
});

// Typing one character in the middle of a 10,000-line script.
CM_BENCH("edit_10000", [](const cmbench::Report &report) {
    CMScriptText text;
    QString script = cmbench::makeScript(10000);
    text.setScript(script);
    text.measureAll();
    qsizetype at = script.size() / 2;
    const double ms = cmbench::medianMs(31, [&] {
        at += 61;
        script.insert(at, u'x');
        text.setScript(script);
    });
    report(u"edit_10000"_s, ms, u"ms"_s);
});

// A new text size: the frame at the reading line (the middle of the script), then every row.
CM_BENCH("relayout_10000", [](const cmbench::Report &report) {
    Prompter prompter(10000, QSize(1920, 1080));
    double offset = prompter.text.height() / 2;
    prompter.settle(offset);
    std::vector<double> frames;
    std::vector<double> wholes;
    for (int change = 0; change < 6; ++change) {
        const double oldSize = prompter.settings.fontSize;
        prompter.settings.fontSize = change % 2 ? 72 : 76;
        offset *= prompter.settings.fontSize / oldSize;
        const auto start = Clock::now();
        prompter.text.setStyle(CMTextStyle::fromSettings(prompter.settings));
        prompter.renderer.setSettings(prompter.settings);
        prompter.paint(offset, 0);
        frames.push_back(msSince(start));
        prompter.text.measureAll();
        wholes.push_back(msSince(start));
        prompter.renderer.renderAhead(std::chrono::hours(1));
    }
    report(u"relayout_10000"_s, median(wholes), u"ms"_s);
    report(u"relayout_frame_10000"_s, median(frames), u"ms"_s);
});

// After scrolling through the whole script at 3840 × 2160.
CM_BENCH("rss_2160p_10000", [](const cmbench::Report &report) {
    Prompter prompter(10000, QSize(3840, 2160));
    const double end = prompter.text.height();
    for (double offset = 0; offset <= end; offset += 1000) {
        prompter.paint(offset, 0);
        prompter.renderer.renderAhead(std::chrono::hours(1));
    }
    report(u"rss_2160p_10000"_s, residentMegabytes(), u"MB"_s);
    report(u"rss_2160p_10000_images"_s, prompter.renderer.imageBytes() / 1048576.0, u"MB"_s);
});
