#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>
#include <QTimer>

class CMEngine;

// The script editor, bound to the engine's script both ways. Every edit is written to the
// engine at once; a change made elsewhere (import, drop, the desk's commands) comes in as one
// undoable edit of the span that changed, so the editor's Undo brings the previous script
// back, and the caret and scroll position stay where the texts agree. A keystroke passes only
// the span it changed: nothing copies the whole script while typing. A long text from outside
// (a big import) goes in slices between the event loop's turns, still as one undoable edit;
// the editor is read-only until it has all of it.
class CMScriptEditor : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CMScriptEditor(CMEngine &engine, QWidget *parent = nullptr);

    // Characters given to the document in one turn of the event loop.
    static constexpr qsizetype kSlice = 256 * 1024;

private:
    void editorChanged(int position, int removed, int added);
    void scriptChanged();
    void insertSlice();
    void finishSlices();

    CMEngine &m_engine;
    bool m_writing = false;
    bool m_applying = false;
    QTextCursor m_slicing; // inside its open edit block while slices remain
    QString m_remaining;
    qsizetype m_next = 0; // of m_remaining
    QTimer m_sliceTimer;
};
