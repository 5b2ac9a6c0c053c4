#pragma once

#include "cmrecogniser.h"
#include "cmvoicepacer.h"
#include "cmvoicetracker.h"

#include <engine/cmclock.h>
#include <engine/cmmath.h>

#include <QByteArray>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

class CMEngine;
class CMVoiceInput;
struct CMVoiceLanguage;

// Voice following in the application: listens to the chosen microphone while switched on and,
// while the prompter runs, steers its rate so that the word being read stays at the reading
// line. Start hands the pace to the voice; stop, the speed keys and the other transport keys
// take it back at once (a jump keeps it: the voice follows on from the new place). The
// language the recogniser listens for is rebuilt in the background when the script changes.
// Talks to the engine through its public interface only; where words stand on the canvas is
// asked of the layout through the two functions the view layer sets.
class CMVoiceFollower : public QObject
{
    Q_OBJECT

public:
    enum class State { Off, Unavailable, Waiting, Listening, Lost };

    explicit CMVoiceFollower(CMEngine &engine, QObject *parent = nullptr);
    ~CMVoiceFollower() override;

    // The top of the line that shows a script character, and the first character of the line
    // at a height, in the prompter's block (canvas points: the offset that shows it).
    void setLayout(std::function<double(qsizetype)> lineTop,
                   std::function<qsizetype(double)> positionAt);

    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }
    void setDevice(const QByteArray &deviceId);
    QByteArray device() const { return m_device; }

    State state() const { return m_state; }
    // What the state reads in the interface; for Unavailable, why.
    QString stateText() const;
    double level() const { return m_level; }

    // The offset that shows a word position at the reading line (for tests and the bench).
    double place(double words) const;

Q_SIGNALS:
    void stateChanged(State state);
    void levelChanged(double level);

private:
    double seconds() const;
    void setState(State state, const QString &why = {});
    void scheduleRebuild();
    void rebuild();
    void languageReady(std::shared_ptr<const CMVoiceLanguage> language,
                       QList<CMMath::WordSpan> spans, quint64 generation);
    void runningChanged(bool running);
    void startFollowing();
    void stopFollowing();
    void positionChanged();
    void heard(const CMRecogniser::Hypothesis &hypothesis, double audioSeconds);
    void tick();
    qint64 wordAtReadingLine() const;
    double lineTopOfWord(qint64 word) const;

    CMEngine &m_engine;
    QThread m_thread;
    CMVoiceInput *m_input = nullptr;
    bool m_enabled = false;
    bool m_following = false;
    QByteArray m_device;
    State m_state = State::Off;
    QString m_why;
    double m_level = 0;
    std::shared_ptr<const CMVoiceLanguage> m_language;
    QList<CMMath::WordSpan> m_spans;
    quint64 m_generation = 0;
    CMVoiceTracker m_tracker;
    CMVoicePacer m_pacer;
    QTimer m_rebuild;
    QTimer m_tick;
    double m_lastTick = 0;
    CMInstant m_epoch;
    std::function<double(qsizetype)> m_lineTop;
    std::function<qsizetype(double)> m_positionAt;
};
