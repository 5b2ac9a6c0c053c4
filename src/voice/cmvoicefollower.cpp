#include "cmvoicefollower.h"

#include "cmvoiceinput.h"
#include "cmvoicelanguage.h"

#include <engine/cmengine.h>

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int rebuildDelayMs = 800;
// The pacing is steered ten times a second: often enough to glide, rarely enough to cost
// nothing.
constexpr int tickMs = 100;
// Words looked at either way when finding a line's first word.
constexpr qint64 lineReach = 400;

} // namespace

CMVoiceFollower::CMVoiceFollower(CMEngine &engine, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_epoch(engine.now())
{
    qRegisterMetaType<CMRecogniser::Hypothesis>();
    m_rebuild.setSingleShot(true);
    m_rebuild.setInterval(rebuildDelayMs);
    connect(&m_rebuild, &QTimer::timeout, this, &CMVoiceFollower::rebuild);
    m_tick.setInterval(tickMs);
    connect(&m_tick, &QTimer::timeout, this, &CMVoiceFollower::tick);

    connect(&engine, &CMEngine::scriptChanged, this, &CMVoiceFollower::scheduleRebuild);
    connect(&engine, &CMEngine::runningChanged, this, &CMVoiceFollower::runningChanged);
    connect(&engine, &CMEngine::steeringEnded, this, &CMVoiceFollower::stopFollowing);
    connect(&engine, &CMEngine::positionChanged, this, &CMVoiceFollower::positionChanged);
}

CMVoiceFollower::~CMVoiceFollower()
{
    setEnabled(false);
    ++m_generation;
}

void CMVoiceFollower::setLayout(std::function<double(qsizetype)> lineTop,
                                std::function<qsizetype(double)> positionAt)
{
    m_lineTop = std::move(lineTop);
    m_positionAt = std::move(positionAt);
}

double CMVoiceFollower::seconds() const
{
    return secondsBetween(m_epoch, m_engine.now());
}

QString CMVoiceFollower::stateText() const
{
    switch (m_state) {
    case State::Off:
        return {};
    case State::Unavailable:
        return m_why;
    case State::Waiting:
        return u"waiting — press Start to follow"_s;
    case State::Listening:
        return u"listening"_s;
    case State::Lost:
        return u"lost — read on or press a key"_s;
    }
    return {};
}

void CMVoiceFollower::setState(State state, const QString &why)
{
    if (m_state == state && m_why == why)
        return;
    m_state = state;
    m_why = why;
    Q_EMIT stateChanged(state);
}

void CMVoiceFollower::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    if (on) {
        if (const auto why = CMRecogniser::unavailable()) {
            setState(State::Unavailable, *why);
            return;
        }
        if (QMediaDevices::audioInputs().isEmpty()) {
            setState(State::Unavailable, u"No microphone found."_s);
            return;
        }
        m_enabled = true;
        m_input = new CMVoiceInput;
        m_input->moveToThread(&m_thread);
        connect(&m_thread, &QThread::finished, m_input, &QObject::deleteLater);
        connect(m_input, &CMVoiceInput::heard, this, &CMVoiceFollower::heard);
        connect(m_input, &CMVoiceInput::level, this, [this](double level) {
            m_level = level;
            Q_EMIT levelChanged(level);
        });
        connect(m_input, &CMVoiceInput::failed, this, [this](const QString &message) {
            setEnabled(false);
            setState(State::Unavailable, message);
        });
        m_thread.start();
        QMetaObject::invokeMethod(m_input, [input = m_input, id = m_device] { input->start(id); });
        setState(m_engine.running() ? State::Listening : State::Waiting);
        rebuild();
        if (m_engine.running())
            startFollowing();
        return;
    }
    m_enabled = false;
    stopFollowing();
    if (m_input) {
        QMetaObject::invokeMethod(m_input, [input = m_input] { input->stop(); });
        m_thread.quit();
        m_thread.wait();
        m_input = nullptr;
    }
    m_level = 0;
    Q_EMIT levelChanged(0);
    if (m_state != State::Unavailable)
        setState(State::Off);
}

void CMVoiceFollower::setDevice(const QByteArray &deviceId)
{
    m_device = deviceId;
    if (m_input)
        QMetaObject::invokeMethod(m_input, [input = m_input, deviceId] { input->start(deviceId); });
}

void CMVoiceFollower::scheduleRebuild()
{
    if (m_enabled)
        m_rebuild.start();
}

void CMVoiceFollower::rebuild()
{
    const quint64 generation = ++m_generation;
    QPointer<CMVoiceFollower> self(this);
    QThreadPool::globalInstance()->start([self, generation, script = m_engine.script()] {
        auto language = std::make_shared<const CMVoiceLanguage>(CMRecogniser::language(script));
        QList<CMMath::WordSpan> spans = CMMath::wordSpans(script);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, language, spans = std::move(spans), generation]() mutable {
                if (self)
                    self->languageReady(language, std::move(spans), generation);
            },
            Qt::QueuedConnection);
    });
}

void CMVoiceFollower::languageReady(std::shared_ptr<const CMVoiceLanguage> language,
                                    QList<CMMath::WordSpan> spans, quint64 generation)
{
    if (generation != m_generation || !m_enabled)
        return;
    m_language = language;
    m_spans = std::move(spans);
    m_tracker.setLanguage(language, wordAtReadingLine());
    QMetaObject::invokeMethod(m_input, [input = m_input, language] { input->setLanguage(language); });
}

void CMVoiceFollower::runningChanged(bool running)
{
    if (running)
        startFollowing();
    else
        stopFollowing();
}

void CMVoiceFollower::startFollowing()
{
    if (!m_enabled)
        return;
    m_following = true;
    const qint64 word = wordAtReadingLine();
    m_tracker.reset(word);
    m_pacer.reset(double(word), seconds());
    m_lastTick = seconds();
    m_tick.start();
    setState(State::Listening);
}

void CMVoiceFollower::stopFollowing()
{
    if (!m_following)
        return;
    m_following = false;
    m_tick.stop();
    if (m_enabled)
        setState(State::Waiting);
}

// A jump by the operator: follow on from the place it shows.
void CMVoiceFollower::positionChanged()
{
    if (!m_following)
        return;
    const qint64 word = wordAtReadingLine();
    if (std::abs(double(word) - m_pacer.target(seconds())) < 3)
        return;
    m_tracker.reset(word);
    m_pacer.reset(double(word), seconds());
    setState(State::Listening);
}

void CMVoiceFollower::heard(const CMRecogniser::Hypothesis &hypothesis, double audioSeconds)
{
    if (!m_following || !m_language)
        return;
    if (m_tracker.hear(hypothesis.words, hypothesis.final)) {
        // The word ended this long before the audio now heard.
        const double at = seconds() - std::max(audioSeconds - m_tracker.heardAt(), 0.0);
        m_pacer.heard(double(m_tracker.wordsRead()), at);
    }
    m_pacer.setReach(m_tracker.reach());
    setState(m_tracker.lost() ? State::Lost : State::Listening);
}

void CMVoiceFollower::tick()
{
    if (!m_following || !m_language || !m_lineTop)
        return;
    const double now = seconds();
    const double dt = now - m_lastTick;
    m_lastTick = now;
    const double rate = m_pacer.rate(now, m_engine.offsetNow(), m_engine.currentRate(), dt,
                                     [this](double words) { return place(words); });
    if (!m_engine.steering() || std::abs(rate - m_engine.currentRate()) > 0.01)
        m_engine.steer(rate);
}

double CMVoiceFollower::lineTopOfWord(qint64 word) const
{
    return m_lineTop(m_spans[std::clamp<qsizetype>(word, 0, m_spans.size() - 1)].start);
}

double CMVoiceFollower::place(double words) const
{
    if (m_spans.isEmpty() || !m_lineTop)
        return 0;
    const qint64 last = m_spans.size() - 1;
    const qint64 word = std::clamp<qint64>(qint64(std::floor(words)), 0, last);
    const double top = lineTopOfWord(word);
    qint64 first = word;
    while (first > 0 && word - first < lineReach && lineTopOfWord(first - 1) >= top)
        --first;
    qint64 next = word + 1;
    while (next <= last && next - word < lineReach && lineTopOfWord(next) <= top)
        ++next;
    if (next > last)
        return top; // the last line: nothing below to move towards
    const double fraction = std::clamp((words - double(first)) / double(next - first), 0.0, 1.0);
    return top + fraction * (lineTopOfWord(next) - top);
}

qint64 CMVoiceFollower::wordAtReadingLine() const
{
    if (m_spans.isEmpty() || !m_positionAt)
        return 0;
    const qsizetype position = m_positionAt(m_engine.offsetNow());
    const auto it = std::lower_bound(m_spans.begin(), m_spans.end(), position,
                                     [](const CMMath::WordSpan &s, qsizetype p) {
                                         return s.start + s.length <= p;
                                     });
    return std::min<qint64>(it - m_spans.begin(), m_spans.size() - 1);
}
