#pragma once

#include <engine/cmengine.h>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class CMScriptText;

// Tells the engine where the layout puts the script's cue lines, later from the event loop
// like the content height. A run of changes (typing, a restyle measured in slices) is
// reported at most every `intervalMs`, so a long script costs one pass over its rows a
// quarter of a second at most, never one per key.
class CMCueReport : public QObject
{
    Q_OBJECT

public:
    static constexpr int intervalMs = 250;

    CMCueReport(CMEngine &engine, CMScriptText &text, QObject *parent = nullptr);

    // The layout may have moved: report when the interval allows.
    void schedule();
    // Rows were measured since the last report (by a frame or between frames).
    void scheduleIfMeasured();

    // The cue lines as the layout places them now, in script order. Texts equal to those of
    // `previous` are shared with it rather than copied.
    static QList<CMCue> collect(const CMScriptText &text, const QList<CMCue> &previous = {});

private:
    void report();

    CMEngine &m_engine;
    CMScriptText &m_text;
    QTimer m_timer;
    QElapsedTimer m_sinceReport;
    qint64 m_measuredAtReport = -1;
};
