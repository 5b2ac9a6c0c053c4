#include "cmtextmodel.h"

#include "cmcuereport.h"

#include <engine/cmengine.h>

#include <QHash>

namespace {

// One slice of background measuring: short enough to leave most of a 60 Hz frame free.
constexpr auto measureSliceTime = std::chrono::milliseconds(4);

QHash<const CMEngine *, std::weak_ptr<CMTextModel>> &models()
{
    static QHash<const CMEngine *, std::weak_ptr<CMTextModel>> registry;
    return registry;
}

} // namespace

std::shared_ptr<CMTextModel> CMTextModel::forEngine(CMEngine &engine)
{
    if (auto existing = models().value(&engine).lock())
        return existing;
    auto model = std::make_shared<CMTextModel>(engine);
    models().insert(&engine, model);
    return model;
}

CMTextModel::CMTextModel(CMEngine &engine)
    : m_engine(engine)
{
    m_measure.setSingleShot(true);
    m_measure.setInterval(0);
    connect(&m_measure, &QTimer::timeout, this, &CMTextModel::measureSlice);
    // Typing arrives as edits: the layout shares the engine's text and compares only the
    // lines the edit touched.
    connect(&engine, &CMEngine::scriptEdited, this, [this](qsizetype position, qsizetype removed) {
        m_text.edit(position, removed, m_engine.scriptBuffer());
        m_edited = true;
    });
    connect(&engine, &CMEngine::scriptChanged, this, &CMTextModel::syncScript);
    connect(&engine, &CMEngine::settingsChanged, this, &CMTextModel::syncStyle);
    connect(&engine, &QObject::destroyed, this, [engine = &engine] { models().remove(engine); });
    syncStyle();
    syncScript();
    m_cues = new CMCueReport(engine, m_text, this);
    connect(this, &CMTextModel::changed, m_cues, &CMCueReport::schedule);
    connect(this, &CMTextModel::measured, m_cues, &CMCueReport::schedule);
}

CMTextModel::~CMTextModel()
{
    const auto it = models().constFind(&m_engine);
    if (it != models().constEnd() && it->expired())
        models().erase(it);
}

void CMTextModel::syncScript()
{
    if (!std::exchange(m_edited, false))
        m_text.setScript(m_engine.scriptBuffer());
    Q_EMIT changed();
}

void CMTextModel::syncStyle()
{
    const CMTextStyle style = CMTextStyle::fromSettings(m_engine.settings());
    if (style == m_text.style())
        return;
    m_text.setStyle(style);
    Q_EMIT changed();
}

void CMTextModel::measureLater()
{
    // A frame may have measured rows above a cue.
    m_cues->scheduleIfMeasured();
    if (!m_text.complete() && !m_measure.isActive())
        m_measure.start();
}

void CMTextModel::measureSlice()
{
    m_text.measureFor(measureSliceTime);
    Q_EMIT measured();
    measureLater();
}
