#include "cmcuereport.h"

#include "cmscripttext.h"

#include <algorithm>

CMCueReport::CMCueReport(CMEngine &engine, CMScriptText &text, QObject *parent)
    : QObject(parent), m_engine(engine), m_text(text)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CMCueReport::report);
    schedule();
}

void CMCueReport::schedule()
{
    if (m_timer.isActive())
        return;
    const qint64 since = m_sinceReport.isValid() ? m_sinceReport.elapsed() : intervalMs;
    m_timer.start(int(std::clamp<qint64>(intervalMs - since, 0, intervalMs)));
}

void CMCueReport::scheduleIfMeasured()
{
    if (m_text.measurements() != m_measuredAtReport)
        schedule();
}

QList<CMCue> CMCueReport::collect(const CMScriptText &text, const QList<CMCue> &previous)
{
    QList<CMCue> cues;
    cues.reserve(previous.size());
    qsizetype k = 0;                       // the previous cue expected next
    const int lines = text.rowCount() - 2; // the spacer and the end mark follow the lines
    for (int row = 0; row < lines; ++row) {
        if (text.kind(row) != CMRowKind::Cue)
            continue;
        const QStringView line = text.rowView(row);
        QString shared;
        // A cue inserted or removed since shifts the rest by one.
        for (const qsizetype candidate : {k, k + 1}) {
            if (candidate < previous.size() && previous[candidate].text == line) {
                shared = previous[candidate].text;
                k = candidate + 1;
                break;
            }
        }
        cues.append({row, shared.isNull() ? line.toString() : shared, text.rowTop(row)});
    }
    return cues;
}

void CMCueReport::report()
{
    m_sinceReport.start();
    m_measuredAtReport = m_text.measurements();
    m_engine.setCues(collect(m_text, m_engine.cues()));
}
