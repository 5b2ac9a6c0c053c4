#pragma once

#include "cmscripttext.h"

#include <QObject>
#include <QTimer>

#include <memory>

class CMCueReport;
class CMEngine;

// The engine's script laid out for the prompter, shared by every prompter view of that
// engine (the live window and the rig preview measure the same block once). Follows the
// engine's script and settings and measures, between frames, the rows no frame needed yet.
// Reports where the cue lines sit to the engine.
class CMTextModel : public QObject
{
    Q_OBJECT

public:
    static std::shared_ptr<CMTextModel> forEngine(CMEngine &engine);

    explicit CMTextModel(CMEngine &engine);
    ~CMTextModel() override;

    CMScriptText &text() { return m_text; }
    // Measures the rows still carrying an estimate, a slice at a time between frames.
    void measureLater();

Q_SIGNALS:
    // Rows or their look changed: what a view shows may have changed.
    void changed();
    // Rows below every view's last frame were measured: only the block's height moved.
    void measured();

private:
    void syncScript();
    void syncStyle();
    void measureSlice();

    CMEngine &m_engine;
    CMScriptText m_text;
    QTimer m_measure;
    CMCueReport *m_cues;
    bool m_edited = false; // the change announced next was applied as an edit
};
