#include "cmcuereport.h"

#include "cmscripttext.h"

#include <algorithm>

CMCueReport::CMCueReport(CMEngine &engine, CMScriptText &text, QObject *parent)
    : QObject(parent), m_engine(engine), m_text(text)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CMCueReport::step);
    schedule();
}

void CMCueReport::schedule()
{
    if (m_pass) {
        m_again = true;
        return;
    }
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

bool CMCueReport::collectSome(const CMScriptText &text, Pass &pass,
                              std::chrono::steady_clock::time_point deadline)
{
    // Reading the clock costs more than a row: every few hundred rows is enough.
    constexpr int rowsPerCheck = 512;
    const int lines = text.rowCount() - 2; // the spacer and the end mark follow the lines
    for (int checked = 0; pass.row < lines; ++pass.row) {
        if (++checked == rowsPerCheck) {
            checked = 0;
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
        }
        const int row = pass.row;
        if (text.kind(row) != CMRowKind::Cue)
            continue;
        QString scratch;
        const QStringView line = text.rowView(row, scratch);
        QString shared;
        // A cue inserted or removed since shifts the rest by one.
        for (const qsizetype candidate : {pass.k, pass.k + 1}) {
            if (candidate < pass.previous.size() && pass.previous[candidate].text == line) {
                shared = pass.previous[candidate].text;
                pass.k = candidate + 1;
                break;
            }
        }
        pass.cues.append({row, shared.isNull() ? line.toString() : shared, text.rowTop(row)});
    }
    return true;
}

QList<CMCue> CMCueReport::collect(const CMScriptText &text, const QList<CMCue> &previous)
{
    Pass pass{previous, {}, 0, 0, text.rowCount()};
    collectSome(text, pass, std::chrono::steady_clock::time_point::max());
    return pass.cues;
}

bool CMCueReport::step()
{
    m_timer.stop();
    // Lines added or removed since the pass began shift the rows under it: start again.
    if (!m_pass || m_pass->rows != m_text.rowCount()) {
        m_sinceReport.start();
        m_measuredAtReport = m_text.measurements();
        m_pass = Pass{m_engine.cues(), {}, 0, 0, m_text.rowCount()};
        m_pass->cues.reserve(m_pass->previous.size());
    }
    if (!collectSome(m_text, *m_pass, std::chrono::steady_clock::now() + sliceTime)) {
        m_timer.start(0);
        return false;
    }
    const QList<CMCue> cues = std::move(m_pass->cues);
    m_pass.reset();
    m_engine.setCues(cues);
    if (std::exchange(m_again, false))
        schedule();
    return true;
}
