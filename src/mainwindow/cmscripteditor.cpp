#include "cmscripteditor.h"

#include "cmeditorlayout.h"
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
    auto *doc = new QTextDocument(this);
    doc->setDocumentLayout(new CMEditorLayout(doc, viewport()));
    setDocument(doc);
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
    m_sliceTimer.setSingleShot(true);
    m_sliceTimer.setInterval(0);
    connect(&m_sliceTimer, &QTimer::timeout, this, &CMScriptEditor::insertSlice);
    connect(document(), &QTextDocument::contentsChange, this, &CMScriptEditor::editorChanged);
    connect(&engine, &CMEngine::scriptChanged, this, &CMScriptEditor::scriptChanged);
}

namespace {

// The document's characters as plain text: its paragraph and line separators are line feeds
// and its no-break spaces spaces, as in toPlainText().
QString plainText(QString text)
{
    for (QChar &c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
        else if (c == QChar::Nbsp)
            c = u' ';
    }
    return text;
}

} // namespace

void CMScriptEditor::editorChanged(int position, int removed, int added)
{
    if (m_applying)
        return;
    const CMScriptBuffer &script = m_engine.scriptBuffer();
    // The document counts its closing paragraph separator when a change reaches its end.
    const qsizetype length = document()->characterCount() - 1;
    const qsizetype excess = std::max<qsizetype>(0, qsizetype(position) + added - length);
    const qsizetype from = position;
    const qsizetype gone = qsizetype(removed) - excess;
    const qsizetype come = qsizetype(added) - excess;
    if (from < 0 || gone < 0 || come < 0 || from + gone > script.size()
        || script.size() - gone + come != length) {
        // Out of step (line ends the document keeps differently): the whole text, once.
        const QString text = toPlainText();
        if (!(script == text)) {
            m_writing = true;
            m_engine.setScript(text);
            m_writing = false;
        }
        return;
    }
    QTextCursor span(document());
    span.setPosition(int(from));
    span.setPosition(int(from + come), QTextCursor::KeepAnchor);
    const QString inserted = plainText(span.selectedText());
    // Layout and format changes announce themselves as content changes too.
    if (gone == come && script.mid(from, gone) == inserted)
        return;
    m_writing = true;
    m_engine.editScript(from, gone, inserted);
    m_writing = false;
}

void CMScriptEditor::scriptChanged()
{
    if (m_writing)
        return;
    finishSlices();
    CMTextDiff diff = CMTextDiff::between(toPlainText(), m_engine.script());
    if (diff.isEmpty())
        return;
    m_applying = true;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(int(diff.position));
    cursor.setPosition(int(diff.position + diff.removed), QTextCursor::KeepAnchor);
    if (diff.inserted.size() <= kSlice) {
        cursor.insertText(diff.inserted);
        cursor.endEditBlock();
        m_applying = false;
        return;
    }
    cursor.removeSelectedText();
    m_slicing = cursor;
    m_remaining = std::move(diff.inserted);
    m_next = 0;
    setReadOnly(true);
    insertSlice();
}

void CMScriptEditor::insertSlice()
{
    if (m_slicing.isNull())
        return;
    qsizetype end = std::min(m_next + kSlice, m_remaining.size());
    if (end < m_remaining.size()) {
        // A line's end when there is one near, never between the halves of a surrogate pair.
        const qsizetype lineEnd = m_remaining.lastIndexOf(u'\n', end - 1);
        if (lineEnd > m_next)
            end = lineEnd + 1;
        else if (m_remaining.at(end - 1).isHighSurrogate())
            --end;
    }
    m_slicing.insertText(QStringView(m_remaining).mid(m_next, end - m_next).toString());
    m_next = end;
    if (m_next < m_remaining.size()) {
        m_sliceTimer.start();
        return;
    }
    m_slicing.endEditBlock();
    m_slicing = QTextCursor();
    m_remaining = QString();
    m_sliceTimer.stop();
    m_applying = false;
    setReadOnly(false);
}

// Another change from outside goes after the one still in slices.
void CMScriptEditor::finishSlices()
{
    while (!m_slicing.isNull())
        insertSlice();
}
