#include "bench.h"

#include <engine/cmengine.h>
#include <engine/cmmath.h>

using namespace Qt::StringLiterals;

CM_BENCH("words_100k", [](const cmbench::Report &report) {
    const QString script = cmbench::makeScript(11112); // about 100,000 words
    qint64 words = 0;
    const double ms = cmbench::medianMs(31, [&] { words = CMMath::words(script); });
    Q_ASSERT(words > 99000 && words < 101000);
    report(u"words_100k"_s, ms, u"ms"_s);
});

CM_BENCH("offset_at", [](const cmbench::Report &report) {
    CMEngine engine;
    engine.setContentHeight(1e9);
    engine.play();
    constexpr int calls = 5'000'000;
    CMInstant t = engine.now();
    double sink = 0;
    long long allocated = 0;
    const double ms = cmbench::medianMs(5, [&] {
        const long long before = cmbench::allocations();
        for (int i = 0; i < calls; ++i) {
            t += std::chrono::microseconds(16);
            sink += engine.offset(t);
        }
        allocated += cmbench::allocations() - before;
    });
    if (sink < 0)
        report(u"impossible"_s, sink, u""_s);
    report(u"offset_at"_s, ms * 1e6 / calls, u"ns"_s);
    report(u"offset_at_allocations"_s, double(allocated), u"count"_s);
});

CM_BENCH("autosave_10000", [](const cmbench::Report &report) {
    CMEngine engine;
    const QString script = cmbench::makeScript(10000);
    const double ms = cmbench::medianMs(15, [&] {
        engine.setScript(script);
        engine.flushPendingSave();
    });
    report(u"autosave_10000"_s, ms, u"ms"_s);
});
