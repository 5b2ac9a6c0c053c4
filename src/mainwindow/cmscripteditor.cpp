#include "cmscripteditor.h"

#include "cmlayout.h"
#include "cmtextdiff.h"

#include <engine/cmengine.h>
#include <kit/ovfonts.h>
#include <kit/ovui.h>

#include <QScrollBar>
#include <QTextCursor>

CMScriptEditor::CMScriptEditor(CMEngine &engine, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_engine(engine)
{
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    setBackgroundVisible(false);
    setTabChangesFocus(false);
    ovBindFont(this, 14, QFont::Medium);
    CMLayout::slimScrollBars(this);
    OVUI::shared()->bind(this, [this] {
        QPalette p = palette();
        p.setColor(QPalette::Base, Qt::transparent);
        p.setColor(QPalette::Text, OVUI::shared()->theme().text);
        setPalette(p);
    });

    setPlainText(engine.script());
    m_shown = toPlainText();
    connect(document(), &QTextDocument::contentsChanged, this, &CMScriptEditor::editorChanged);
    connect(&engine, &CMEngine::scriptChanged, this, &CMScriptEditor::scriptChanged);
}

void CMScriptEditor::editorChanged()
{
    if (m_applying)
        return;
    QString text = toPlainText();
    // Layout and format changes announce themselves as content changes too.
    if (text == m_shown)
        return;
    m_shown = std::move(text);
    m_writing = true;
    m_engine.setScript(m_shown);
    m_writing = false;
}

void CMScriptEditor::scriptChanged()
{
    if (m_writing)
        return;
    const QString &script = m_engine.script();
    const CMTextDiff diff = CMTextDiff::between(m_shown, script);
    if (diff.isEmpty())
        return;
    m_applying = true;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(int(diff.position));
    cursor.setPosition(int(diff.position + diff.removed), QTextCursor::KeepAnchor);
    cursor.insertText(diff.inserted);
    cursor.endEditBlock();
    m_applying = false;
    // Line ends the document keeps differently (CR LF) make its text differ from the script.
    m_shown = toPlainText();
}
