#pragma once

#include "cmclock.h"
#include "cmscriptbuffer.h"
#include "cmsettings.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>

namespace CMScriptStore {
class Writer;
}

// A cue line of the script as a marker: where it is in the script and where the prompter's
// layout puts it. `offset` is the scroll offset that brings the line onto the reading line.
struct CMCue
{
    int line = 0;
    QString text;
    double offset = 0;

    friend bool operator==(const CMCue &, const CMCue &) = default;
};

// The one model object: the script, the settings, the scroll clock and the run state.
// The scroll position is a pure function of time, offset(at); the transport operations only
// move the base offset and the start instant. Main thread only; never sees a widget: where an
// action must move the keyboard focus or end live mode it emits a request that the view
// layer connects.
class CMEngine : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString script READ script WRITE setScript NOTIFY scriptChanged)
    Q_PROPERTY(bool running READ running NOTIFY runningChanged)
    Q_PROPERTY(bool finished READ finished NOTIFY finishedChanged)
    Q_PROPERTY(double contentHeight READ contentHeight WRITE setContentHeight NOTIFY
                   contentHeightChanged)
    Q_PROPERTY(double viewportHeight READ viewportHeight WRITE setViewportHeight NOTIFY
                   viewportHeightChanged)
    Q_PROPERTY(int screenIndex READ screenIndex WRITE setScreenIndex NOTIFY screenIndexChanged)
    Q_PROPERTY(bool live READ live WRITE setLive NOTIFY liveChanged)

public:
    // The process-wide engine, created on first use (loads the autosave and the settings).
    static CMEngine &shared();

    // Loads the script from the autosave file (or the sample) and the settings from the
    // store (or the defaults). Tests build their own engines; the application uses shared().
    explicit CMEngine(QObject *parent = nullptr);
    ~CMEngine() override;

    // --- clock
    CMInstant now() const { return m_timeSource(); }
    void setTimeSource(CMTimeSource source);

    // --- script and autosave
    // The whole script as one string, joined after an edit on first use: O(length) then.
    // Views that follow every keystroke read scriptBuffer() instead.
    QString script() const;
    // The script as the engine holds it: reads and snapshots (a copy) cost no copy of the text.
    const CMScriptBuffer &scriptBuffer() const { return m_text; }
    qsizetype scriptSize() const { return m_text.size(); }
    void setScript(const QString &script);
    // Typing: replaces `removed` characters at `position` by `inserted`, copying only the part
    // of the script around it (scriptEdited, then scriptChanged).
    void editScript(qsizetype position, qsizetype removed, QStringView inserted);
    void scheduleSave();
    bool savePending() const { return m_saveTimer.isActive(); }
    // The script in memory differs from the autosave file (a save is waiting or failed).
    bool scriptUnsaved() const { return m_savedGeneration.load() != m_scriptGeneration; }
    // Writes pending script and settings at once, on this thread (at quit, at a signal), and
    // tries again what failed. True when both are on disk.
    bool flushPendingSave();
    // The last autosave failed: why ("No space left on device"); empty while saves succeed.
    // Failed saves are tried again at the next change and every few seconds.
    const QString &saveError() const { return m_saveError; }
    // For tests: the pause after a change before the save (0.7 s) and how often a failed save
    // is tried again (5 s).
    void setSaveTimingsForTesting(int pauseMs, int retryMs);
    static QString scriptPath();
    static QString sampleScript();
    // Said once after the start when the saved script or settings could not be used and were
    // set aside ("... kept as “current-script.txt.unreadable” in ..."); empty otherwise.
    const QString &startNotice() const { return m_startNotice; }

    // --- settings
    const CMSettings &settings() const { return m_settings; }
    // Every change is written at once, on the settings file's own thread, so a held key or a
    // dragged knob never waits for the disk on the frame's thread.
    void setSettings(const CMSettings &settings);
    void saveSettings();
    static constexpr const char *settingsKey = "cm.settings";

    // --- run state and layout facts
    bool running() const { return m_running; }
    bool finished() const { return m_finished; }
    std::optional<CMInstant> countdownEnds() const { return m_countdownEnds; }
    double base() const { return m_base; }
    bool endWatchActive() const { return m_endWatch.isActive(); }
    double contentHeight() const { return m_contentHeight; }
    void setContentHeight(double height);
    double viewportHeight() const { return m_viewportHeight; }
    void setViewportHeight(double height);
    int screenIndex() const { return m_screenIndex; }
    void setScreenIndex(int index);
    bool live() const { return m_live; }
    void setLive(bool live);

    // --- scroll clock
    // Canvas points per second for a settings record (speed clamped to 0..10).
    static double rate(const CMSettings &settings);
    std::optional<CMInstant> startedAt() const { return m_startedAt; }
    double offset(CMInstant t) const noexcept;
    double offsetNow() const { return offset(now()); }
    bool atEnd() const;

    // --- transport
    void play();
    void pause();
    void jump(double delta);
    void faster();
    void slower();
    void rebase(const CMSettings &old);
    void checkEnd(CMInstant t);
    void remember(double shownOffset);

    // Compound actions shared by keys, menus, buttons and file commands.
    void toggle();
    void backToTop();
    void goToEnd();
    void jumpBack();
    void jumpAhead();
    // A new script from a file or a desk command: replaces the text, stopped at the top.
    void replaceScript(const QString &script);
    // Puts the given offset on the reading line; like a jump, a run goes on from there.
    void jumpTo(double offset);

    // --- cues: the script's cue lines, positioned by the prompter's layout, which reports
    // them (in script order) as it reports the content height.
    const QList<CMCue> &cues() const { return m_cues; }
    void setCues(const QList<CMCue> &cues);
    // Index of the cue the next or previous cue command would go to, or -1.
    int nextCueIndex(CMInstant t) const;
    int previousCueIndex(CMInstant t) const;
    // Put that cue on the reading line; false (and nothing moves) when there is none.
    bool nextCue();
    bool previousCue();
    // Announces every cue the scrolling text has brought to the reading line by t. A timer
    // calls it at the moment each cue arrives; tests call it with their own clock.
    void checkCues(CMInstant t);

    // --- time of the take, in seconds
    // Running time since the last start from the top; pauses and the countdown excluded.
    double elapsed(CMInstant t) const;
    // Time the rest of the text needs at the current speed; none when it stands still.
    std::optional<double> remaining(CMInstant t) const;
    // An optional target length of the take (0: none), kept under its own settings key.
    double targetDuration() const { return m_targetDuration; }
    void setTargetDuration(double seconds);
    static constexpr const char *targetDurationKey = "cm.targetDuration";
    // Elapsed plus remaining against the target: positive when the take will run over.
    std::optional<double> overUnder(CMInstant t) const;

    // --- voice steering
    // While the voice follows the reader it sets the rate of the run itself instead of the
    // speed setting. Never saved; re-based like a speed change, so the text never jumps.
    // Start, stop, back to the top, the end, a new speed and the end of the script end it:
    // the operator takes over at once. A jump keeps it: the voice follows on from there.
    // Ignored while stopped or counting down.
    void steer(double pointsPerSecond);
    void endSteering();
    bool steering() const { return m_steering.has_value(); }
    // The rate the run moves at now: the steered one, else the speed setting's.
    double currentRate() const noexcept { return m_steering.value_or(rate(m_settings)); }

    // --- keyboard
    // The key map shared by every window: acts on a key (a Qt::Key, with the text it typed)
    // and returns true when the key is consumed; unknown keys are left untouched.
    bool handle(int key, const QString &text);

Q_SIGNALS:
    void cuesChanged();
    // A cue line reached the reading line while running (index into cues()).
    void cueReached(int index);
    void targetDurationChanged(double seconds);
    void scriptChanged();
    // Before scriptChanged, when the change was an edit: where and how much.
    void scriptEdited(qsizetype position, qsizetype removed, qsizetype added);
    void settingsChanged();
    void runningChanged(bool running);
    void finishedChanged(bool finished);
    void countdownEndsChanged();
    void contentHeightChanged(double height);
    void viewportHeightChanged(double height);
    void screenIndexChanged(int index);
    void liveChanged(bool live);
    // The base offset or the start instant moved: the picture must be redrawn even if no
    // published property changed (for example a jump while stopped).
    void positionChanged();
    // The voice no longer steers: an operator's action took over.
    void steeringEnded();
    // Requests to the view layer.
    void focusToPrompterRequested();
    void endLiveRequested();
    // An autosave reached the disk (or was tried and failed: succeeded says which). Emitted on
    // the engine's thread after the write, which happens on a thread of its own.
    void scriptSaved(bool succeeded);
    // saveError() changed: a save failed, or succeeded after failing.
    void saveStatusChanged();

private:
    void setRunning(bool running);
    void setFinished(bool finished);
    void setCountdownEnds(std::optional<CMInstant> ends);
    void writeScript();
    void changed();
    void saveFinished(quint64 generation, const std::optional<QString> &error);
    // Folds the running stretch so far into the take's elapsed time; called before the start
    // instant moves.
    void foldElapsed(CMInstant t);
    double stretch(CMInstant t) const;
    void moveTo(double target);
    void scheduleCueWatch();
    // Moves the base to the offset at now and restarts the segment there (while scrolling).
    void rebaseNow();

    CMScriptBuffer m_text;
    mutable QString m_joined; // script(), while m_joinedValid
    mutable bool m_joinedValid = false;
    CMSettings m_settings;
    bool m_running = false;
    bool m_finished = false;
    QTimer m_endWatch;
    std::optional<CMInstant> m_countdownEnds;
    double m_contentHeight = 0;
    double m_viewportHeight = 1080;
    int m_screenIndex = 0;
    bool m_live = false;
    double m_base = 0;
    std::optional<CMInstant> m_startedAt;
    std::optional<double> m_steering;
    QTimer m_saveTimer;     // 0.7 s after the last change
    QTimer m_saveDeadline;  // a bound on how long continuous typing stays unsaved
    QTimer m_retry;         // while saves fail
    quint64 m_scriptGeneration = 0;
    std::atomic<quint64> m_savedGeneration{0};
    QString m_saveError;
    QString m_startNotice;
    std::unique_ptr<CMScriptStore::Writer> m_writer;
    CMTimeSource m_timeSource;
    QList<CMCue> m_cues;
    // Cues at or above this offset have been announced in this pass over the text.
    double m_cuesAnnouncedTo = -1;
    QTimer m_cueWatch;
    double m_elapsedBefore = 0;
    double m_targetDuration = 0;
};
