#pragma once

#include <QPlainTextEdit>
#include <QString>

class CMEngine;

// The script editor, bound to the engine's script both ways. Every edit is written to the
// engine at once; a change made elsewhere (import, drop, the desk's commands) comes in as one
// undoable edit of the span that changed, so the editor's Undo brings the previous script
// back, and the caret and scroll position stay where the texts agree.
class CMScriptEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CMScriptEditor(CMEngine &engine, QWidget *parent = nullptr);

private:
    void editorChanged();
    void scriptChanged();

    CMEngine &m_engine;
    // What the editor holds, as its plain text, at the last exchange with the engine.
    QString m_shown;
    bool m_writing = false;
    bool m_applying = false;
};
