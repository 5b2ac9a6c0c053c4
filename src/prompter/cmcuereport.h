#pragma once

#include <engine/cmengine.h>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

class CMScriptText;

// Tells the engine where the layout puts the script's cue lines, later from the event loop
// like the content height. A run of changes (typing, a restyle measured in slices) is
// reported at most every `intervalMs`, so a long script costs one pass over its rows a
// quarter of a second at most, never one per key; and the pass itself goes in slices of
// `sliceTime` between frames, so even a script of hundreds of thousands of lines never holds
// a frame back.
class CMCueReport : public QObject
{
    Q_OBJECT

public:
    static constexpr int intervalMs = 250;
    static constexpr auto sliceTime = std::chrono::milliseconds(2);

    CMCueReport(CMEngine &engine, CMScriptText &text, QObject *parent = nullptr);

    // The layout may have moved: report when the interval allows.
    void schedule();
    // Rows were measured since the last report (by a frame or between frames).
    void scheduleIfMeasured();
    // One slice of the report (the timer's work): true once the engine has the cues.
    bool step();

    // A pass over the rows, which may be taken in steps.
    struct Pass
    {
        QList<CMCue> previous; // texts equal to these are shared, not copied
        QList<CMCue> cues;
        int row = 0;
        qsizetype k = 0; // the previous cue expected next
        int rows = 0;    // when the pass began
    };
    // Goes on with the pass until the deadline; true once every row was seen. Rows whose
    // height or text changed between steps are read as they are then.
    static bool collectSome(const CMScriptText &text, Pass &pass,
                            std::chrono::steady_clock::time_point deadline);
    // The cue lines as the layout places them now, in script order, in one go.
    static QList<CMCue> collect(const CMScriptText &text, const QList<CMCue> &previous = {});

private:
    CMEngine &m_engine;
    CMScriptText &m_text;
    QTimer m_timer;
    QElapsedTimer m_sinceReport;
    qint64 m_measuredAtReport = -1;
    std::optional<Pass> m_pass;
    // The layout moved while a pass was under way: another follows it.
    bool m_again = false;
};
