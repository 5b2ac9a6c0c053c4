#include "cmengine.h"

#include "cmscriptstore.h"

#include <store/cmsettingsfile.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int endWatchIntervalMs = 200;
constexpr int autosaveDelayMs = 700;
// Continuous typing is saved this long after its first change at the latest (the write
// itself then takes well under half a second, even for a large script).
constexpr int autosaveDeadlineMs = 1500;
constexpr int retryIntervalMs = 5000;
constexpr double endTolerance = 0.5;

QString keptAsideNotice(const QString &what, const QString &aside, const QString &original)
{
    if (aside.isEmpty()) {
        return u"%1 couldn't be read and couldn't be moved aside: \u201C%2\u201D."_s.arg(
            what, QDir::toNativeSeparators(original));
    }
    const QFileInfo info(aside);
    return u"%1 couldn't be read. The old file was kept as \u201C%2\u201D in \u201C%3\u201D."_s
        .arg(what, info.fileName(), QDir::toNativeSeparators(info.absolutePath()));
}

} // namespace

CMEngine &CMEngine::shared()
{
    // Parented to the application, so it is destroyed (and flushes its autosave) with it.
    static CMEngine *instance = new CMEngine(QCoreApplication::instance());
    return *instance;
}

CMEngine::CMEngine(QObject *parent)
    : QObject(parent), m_timeSource([] { return CMClock::now(); })
{
    m_writer = std::make_unique<CMScriptStore::Writer>(
        [this](quint64 generation, const std::optional<QString> &error) {
            if (!error)
                m_savedGeneration = std::max(m_savedGeneration.load(), generation);
            QMetaObject::invokeMethod(
                this, [this, generation, error] { saveFinished(generation, error); },
                Qt::QueuedConnection);
        });

    m_endWatch.setInterval(endWatchIntervalMs);
    connect(&m_endWatch, &QTimer::timeout, this, [this] { checkEnd(now()); });

    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(autosaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &CMEngine::writeScript);
    m_saveDeadline.setSingleShot(true);
    m_saveDeadline.setInterval(autosaveDeadlineMs);
    connect(&m_saveDeadline, &QTimer::timeout, this, &CMEngine::writeScript);
    m_retry.setInterval(retryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (scriptUnsaved() && !m_saveTimer.isActive())
            writeScript();
    });

    m_cueWatch.setSingleShot(true);
    m_cueWatch.setTimerType(Qt::PreciseTimer);
    connect(&m_cueWatch, &QTimer::timeout, this, [this] {
        checkCues(now());
        scheduleCueWatch();
    });
    connect(this, &CMEngine::positionChanged, this, &CMEngine::scheduleCueWatch);

    QStringList notices;
    const QString path = scriptPath();
    const CMScriptStore::Loaded loaded = CMScriptStore::load(path);
    m_joined = loaded.text.value_or(sampleScript());
    m_text = CMScriptBuffer(m_joined);
    m_joinedValid = true;
    if (loaded.keptAside)
        notices << keptAsideNotice(u"The saved script"_s, *loaded.keptAside, path);

    CMSettingsFile::checkFile();
    if (const auto aside = CMSettingsFile::takeKeptAside())
        notices << keptAsideNotice(u"The saved settings"_s, *aside, CMSettingsFile::path());
    const QByteArray stored =
        CMSettingsFile::shared().value(QLatin1StringView(settingsKey)).toByteArray();
    if (!stored.isEmpty())
        m_settings = CMSettings::fromJson(stored).value_or(CMSettings{});
    m_startNotice = notices.join(u' ');
    setTargetDuration(
        CMSettingsFile::shared().value(QLatin1StringView(targetDurationKey)).toDouble());

    if (auto *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &CMEngine::flushPendingSave);
}

CMEngine::~CMEngine()
{
    flushPendingSave();
    m_writer.reset();
}

void CMEngine::setTimeSource(CMTimeSource source)
{
    m_timeSource = source ? std::move(source) : CMTimeSource([] { return CMClock::now(); });
}

// --- script and autosave

QString CMEngine::script() const
{
    if (!m_joinedValid) {
        m_joined = m_text.toString();
        m_joinedValid = true;
    }
    return m_joined;
}

void CMEngine::setScript(const QString &script)
{
    m_text = CMScriptBuffer(script);
    m_joined = script;
    m_joinedValid = true;
    changed();
    Q_EMIT scriptChanged();
}

void CMEngine::editScript(qsizetype position, qsizetype removed, QStringView inserted)
{
    position = std::clamp<qsizetype>(position, 0, m_text.size());
    removed = std::clamp<qsizetype>(removed, 0, m_text.size() - position);
    m_text.replace(position, removed, inserted);
    m_joined = QString();
    m_joinedValid = false;
    changed();
    Q_EMIT scriptEdited(position, removed, inserted.size());
    Q_EMIT scriptChanged();
}

void CMEngine::changed()
{
    ++m_scriptGeneration;
    scheduleSave();
}

void CMEngine::scheduleSave()
{
    m_saveTimer.start();
    if (!m_saveDeadline.isActive())
        m_saveDeadline.start();
}

bool CMEngine::flushPendingSave()
{
    m_saveTimer.stop();
    m_saveDeadline.stop();
    m_writer->waitUntilIdle();
    if (scriptUnsaved()) {
        const quint64 generation = m_scriptGeneration;
        const std::optional<QString> error = CMScriptStore::save(scriptPath(), m_text);
        if (!error)
            m_savedGeneration = generation;
        saveFinished(generation, error);
    }
    const bool settingsSaved = CMSettingsFile::shared().flush();
    return !scriptUnsaved() && settingsSaved;
}

void CMEngine::setSaveTimingsForTesting(int pauseMs, int retryMs)
{
    m_saveTimer.setInterval(pauseMs);
    m_retry.setInterval(retryMs);
}

void CMEngine::writeScript()
{
    m_saveTimer.stop();
    m_saveDeadline.stop();
    m_writer->write(scriptPath(), m_text, m_scriptGeneration);
}

void CMEngine::saveFinished(quint64 generation, const std::optional<QString> &error)
{
    Q_EMIT scriptSaved(!error);
    if (!error && generation < m_savedGeneration.load())
        return; // an older write, overtaken
    const QString reason = error.value_or(QString());
    if (error && QCoreApplication::instance()) // not in the last try, after the application
        m_retry.start();
    else if (!scriptUnsaved())
        m_retry.stop();
    if (reason == m_saveError)
        return;
    m_saveError = reason;
    Q_EMIT saveStatusChanged();
}

QString CMEngine::scriptPath()
{
    return CMScriptStore::path();
}

QString CMEngine::sampleScript()
{
    return u"[Welcome — OVS Cuemaster]\n"
           u"Good evening, and thank you for joining us.\n"
           u"\n"
           u"This is a sample script. Replace it with your own: type or paste in the editor, or "
           u"click Import to load a TXT, RTF or Word (DOCX) file.\n"
           u"\n"
           u"Press Space to start scrolling. Use the up and down arrows to go faster or slower "
           u"while you read.\n"
           u"\n"
           u"[Pause — look into the lens]\n"
           u"Lines in square brackets are cues for you. They show smaller and dimmed, so you "
           u"know not to read them out loud.\n"
           u"\n"
           u"When you're ready, click Go Live to put the prompter on your second display or full "
           u"screen.\n"
           u"\n"
           u"Thanks for watching."_s;
}

// --- settings

void CMEngine::setSettings(const CMSettings &settings)
{
    if (settings.speed != m_settings.speed)
        endSteering();
    const CMSettings old = m_settings;
    m_settings = settings;
    saveSettings();
    if (old.speed != settings.speed || old.fontSize != settings.fontSize)
        rebase(old);
    Q_EMIT settingsChanged();
}

void CMEngine::saveSettings()
{
    CMSettingsFile::shared().setValue(QLatin1StringView(settingsKey), m_settings.toJson());
}

// --- run state and layout facts

void CMEngine::setRunning(bool running)
{
    if (m_running == running)
        return;
    m_running = running;
    Q_EMIT runningChanged(running);
}

void CMEngine::setFinished(bool finished)
{
    if (m_finished == finished)
        return;
    m_finished = finished;
    Q_EMIT finishedChanged(finished);
}

void CMEngine::setCountdownEnds(std::optional<CMInstant> ends)
{
    if (m_countdownEnds == ends)
        return;
    m_countdownEnds = ends;
    Q_EMIT countdownEndsChanged();
}

void CMEngine::setContentHeight(double height)
{
    if (m_contentHeight == height)
        return;
    m_contentHeight = height;
    Q_EMIT contentHeightChanged(height);
}

void CMEngine::setViewportHeight(double height)
{
    if (m_viewportHeight == height)
        return;
    m_viewportHeight = height;
    Q_EMIT viewportHeightChanged(height);
}

void CMEngine::setScreenIndex(int index)
{
    if (m_screenIndex == index)
        return;
    m_screenIndex = index;
    Q_EMIT screenIndexChanged(index);
}

void CMEngine::setLive(bool live)
{
    if (m_live == live)
        return;
    m_live = live;
    Q_EMIT liveChanged(live);
}

// --- scroll clock

double CMEngine::rate(const CMSettings &settings)
{
    const double speed = settings.usableSpeed();
    return settings.usableFontSize() * (0.35 * speed + 0.06 * speed * speed);
}

double CMEngine::offset(CMInstant t) const noexcept
{
    const double end = std::max(m_contentHeight, 0.0);
    double value = m_base;
    if (m_running && m_startedAt) {
        if (m_countdownEnds && t < *m_countdownEnds)
            return std::clamp(m_base, 0.0, end);
        const CMInstant start =
            m_countdownEnds ? std::max(*m_startedAt, *m_countdownEnds) : *m_startedAt;
        const double elapsed = std::max(secondsBetween(start, t), 0.0);
        value = m_base + elapsed * currentRate();
    }
    return std::min(end, std::max(value, 0.0));
}

bool CMEngine::atEnd() const
{
    const double end = std::max(m_contentHeight, 0.0);
    return end > 0 && offset(now()) >= end - endTolerance;
}

// --- transport

void CMEngine::play()
{
    endSteering();
    if (atEnd())
        m_base = 0;
    const CMInstant t = now();
    if (m_base < 1.0) {
        // A start from the top begins a new take.
        m_elapsedBefore = 0;
        m_cuesAnnouncedTo = -1;
    }
    const qint64 countdown = m_settings.clamped().countdown;
    if (m_base < 1.0 && countdown > 0)
        setCountdownEnds(addSeconds(t, double(countdown)));
    else
        setCountdownEnds(std::nullopt);
    m_startedAt = t;
    setRunning(true);
    setFinished(false);
    m_endWatch.start();
    Q_EMIT positionChanged();
}

void CMEngine::pause()
{
    endSteering();
    const CMInstant t = now();
    foldElapsed(t);
    m_base = offset(t);
    m_startedAt.reset();
    setRunning(false);
    setCountdownEnds(std::nullopt);
    m_endWatch.stop();
    Q_EMIT positionChanged();
}

void CMEngine::jump(double delta)
{
    moveTo(offset(now()) + delta);
}

void CMEngine::jumpTo(double target)
{
    moveTo(target);
}

void CMEngine::moveTo(double target)
{
    const CMInstant t = now();
    foldElapsed(t);
    m_base = std::min(std::max(m_contentHeight, 0.0), std::max(target, 0.0));
    if (m_contentHeight >= 0 && m_base < m_contentHeight - endTolerance)
        setFinished(false);
    if (m_running) {
        m_startedAt = t;
        setCountdownEnds(std::nullopt);
    }
    // A cue the move lands on counts as reached once the text runs.
    m_cuesAnnouncedTo = m_base - 2 * endTolerance;
    Q_EMIT positionChanged();
}

void CMEngine::faster()
{
    CMSettings s = m_settings;
    s.speed = std::min(s.speed + 0.5, 10.0);
    setSettings(s);
}

void CMEngine::slower()
{
    CMSettings s = m_settings;
    s.speed = std::max(s.speed - 0.5, 0.0);
    setSettings(s);
}

void CMEngine::rebase(const CMSettings &old)
{
    const CMInstant t = now();
    double o = m_base;
    if (m_running && m_startedAt && (!m_countdownEnds || t >= *m_countdownEnds)) {
        const CMInstant start =
            m_countdownEnds ? std::max(*m_startedAt, *m_countdownEnds) : *m_startedAt;
        const double elapsed = std::max(secondsBetween(start, t), 0.0);
        const double oldRate = m_steering.value_or(rate(old));
        o = std::min(std::max(m_contentHeight, 0.0), std::max(m_base + elapsed * oldRate, 0.0));
        m_elapsedBefore += oldRate > 0
            ? std::min(elapsed, std::max(m_contentHeight - m_base, 0.0) / oldRate)
            : elapsed;
        m_startedAt = t;
        setCountdownEnds(std::nullopt);
    }
    const double oldSize = old.usableFontSize();
    const double newSize = m_settings.usableFontSize();
    if (old.fontSize > 0 && oldSize != newSize) {
        o = o * newSize / oldSize;
        if (m_cuesAnnouncedTo > 0)
            m_cuesAnnouncedTo *= newSize / oldSize;
    }
    m_base = o;
    Q_EMIT positionChanged();
}

void CMEngine::checkEnd(CMInstant t)
{
    if (!m_running || m_contentHeight <= 0)
        return;
    if (m_countdownEnds && t < *m_countdownEnds)
        return;
    if (offset(t) < m_contentHeight - endTolerance)
        return;
    endSteering();
    foldElapsed(t);
    m_base = std::max(m_contentHeight, 0.0);
    setRunning(false);
    m_startedAt.reset();
    setCountdownEnds(std::nullopt);
    setFinished(true);
    m_endWatch.stop();
    Q_EMIT positionChanged();
}

void CMEngine::remember(double shownOffset)
{
    if (m_running && shownOffset >= std::max(m_contentHeight, 0.0) - endTolerance)
        checkEnd(now());
}

void CMEngine::toggle()
{
    Q_EMIT focusToPrompterRequested();
    if (m_running)
        pause();
    else
        play();
}

void CMEngine::backToTop()
{
    Q_EMIT focusToPrompterRequested();
    pause();
    m_base = 0;
    m_elapsedBefore = 0;
    m_cuesAnnouncedTo = -1;
    setFinished(false);
    Q_EMIT positionChanged();
}

void CMEngine::goToEnd()
{
    pause();
    m_base = std::max(m_contentHeight, 0.0);
    m_cuesAnnouncedTo = m_base;
    Q_EMIT positionChanged();
}

void CMEngine::jumpBack()
{
    jump(-0.4 * m_viewportHeight);
}

void CMEngine::jumpAhead()
{
    jump(0.4 * m_viewportHeight);
}

void CMEngine::replaceScript(const QString &script)
{
    setScript(script);
    backToTop();
}

// --- voice steering

void CMEngine::rebaseNow()
{
    const CMInstant t = now();
    if (!m_running || !m_startedAt || (m_countdownEnds && t < *m_countdownEnds))
        return;
    foldElapsed(t);
    m_base = offset(t);
    m_startedAt = t;
    setCountdownEnds(std::nullopt);
}

void CMEngine::steer(double pointsPerSecond)
{
    const CMInstant t = now();
    if (!m_running || !m_startedAt || (m_countdownEnds && t < *m_countdownEnds))
        return;
    rebaseNow();
    m_steering = std::max(pointsPerSecond, 0.0);
    scheduleCueWatch();
}

void CMEngine::endSteering()
{
    if (!m_steering)
        return;
    rebaseNow();
    m_steering.reset();
    scheduleCueWatch();
    Q_EMIT steeringEnded();
}
