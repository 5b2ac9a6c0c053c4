#pragma once

#include <QColor>
#include <QWidget>

struct HelpBlock;
struct HelpPage;

// A symbol of the kit's symbol table, drawn at `size` design points (times the zoom) in a
// square box, in the theme's accent (or in `color` when one is set).
class OVHelpSymbol : public QWidget
{
    Q_OBJECT

public:
    OVHelpSymbol(const QString &name, qreal size, QWidget *parent = nullptr);

    QString name() const { return m_name; }
    void setColor(const QColor &color);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QString m_name;
    qreal m_size;
    QColor m_color;
};

// The pieces the page column is made of, built at the current zoom; the colours are read from
// the theme whenever they paint.
namespace OVHelpBlocks {

// The page's symbol and title.
QWidget *header(const HelpPage &page);
// The key captions' column of a page: 170 points, widened to the widest caption (a key
// written out, "Ctrl+= / Ctrl+− / Ctrl+0", may need more) so the descriptions stay aligned.
int keyColumn(const HelpPage &page);
// The view of one block; a key's caption in a column `keyColumn` wide (at least 170 points).
QWidget *block(const HelpBlock &block, int keyColumn = 0);

} // namespace OVHelpBlocks
