#include "cmeditorlayout.h"

#include <QFontMetrics>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <climits>
#include <cmath>

CMEditorLayout::CMEditorLayout(QTextDocument *document, QWidget *view)
    : QPlainTextDocumentLayout(document), m_view(view)
{
}

void CMEditorLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    QTextDocument *doc = document();
    const QTextBlock block = doc->findBlock(from);
    const bool inOneBlock = m_view && block.isValid() && block.length() > 0 && block.isVisible()
        && doc->blockCount() == m_blocks
        && doc->findBlock(std::max(0, from + charsRemoved + charsAdded - 1)) == block;
    if (!inOneBlock) {
        QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
        m_blocks = doc->blockCount();
        return;
    }
    const int lines = block.lineCount();
    const int documentLines = doc->lineCount();
    layOut(block);
    if (block.lineCount() == lines) {
        Q_EMIT updateBlock(block);
        return;
    }
    if (doc->lineCount() != documentLines)
        Q_EMIT documentSizeChanged(documentSize());
    Q_EMIT update(QRectF(0, -doc->documentMargin(), 1e9, 1e9));
}

// As the plain text layout lays out a paragraph, lines wrapped to the width of the view (which
// the editor gives the layout whenever it changes), without the widest-paragraph bookkeeping.
void CMEditorLayout::layOut(const QTextBlock &block)
{
    QTextDocument *doc = document();
    const qreal margin = doc->documentMargin();
    const QTextOption option = doc->defaultTextOption();
    QTextLayout *layout = block.layout();
    layout->setTextOption(option);
    qreal extra = 0;
    if (option.flags() & QTextOption::AddSpaceForLineAndParagraphSeparators)
        extra = QFontMetrics(block.charFormat().font()).horizontalAdvance(QChar(0x21B5));
    const int view = m_view->width();
    const qreal width = (view > 0 ? qreal(view) : qreal(INT_MAX)) - 2 * margin - extra;

    qreal y = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        line.setPosition(QPointF(margin, y));
        y += line.height() + (line.leading() < 0 ? std::ceil(line.leading()) : 0);
    }
    layout->endLayout();
    QTextBlock(block).setLineCount(layout->lineCount());
}
