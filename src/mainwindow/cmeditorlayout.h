#pragma once

#include <QPlainTextDocumentLayout>
#include <QPointer>

// The script editor's layout. An edit inside one paragraph is laid out here; everything else
// goes to the plain text layout. That layout keeps the widest paragraph's width, and when the
// widest one narrows (typing past the end of a line wraps it) it measures every paragraph of
// the document again: 30 ms in a script of a million lines, once per wrapped line typed. The
// width only sizes a horizontal scroll bar, which a wrapping editor never shows.
class CMEditorLayout : public QPlainTextDocumentLayout
{
    Q_OBJECT

public:
    // `view` is the editor's viewport: the editor wraps lines to its width.
    CMEditorLayout(QTextDocument *document, QWidget *view);

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    void layOut(const QTextBlock &block);

    QPointer<QWidget> m_view;
    int m_blocks = 1; // the document's paragraphs when the plain text layout last saw a change
};
