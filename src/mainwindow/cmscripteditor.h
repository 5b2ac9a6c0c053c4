#pragma once

#include <QPlainTextEdit>
#include <QString>

class CMEngine;

// The script editor, bound to the engine's script both ways. Every edit is written to the
// engine at once; a change made elsewhere (import, drop, the desk's commands) comes in as one
// undoable edit of the span that changed, so the editor's Undo brings the previous script
// back, and the caret and scroll position stay where the texts agree. A keystroke passes only
// the span it changed: nothing copies the whole script while typing.
class CMScriptEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CMScriptEditor(CMEngine &engine, QWidget *parent = nullptr);

private:
    void editorChanged(int position, int removed, int added);
    void scriptChanged();

    CMEngine &m_engine;
    bool m_writing = false;
    bool m_applying = false;
};
