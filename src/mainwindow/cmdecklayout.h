#pragma once

#include <QLayout>
#include <QList>
#include <QRect>
#include <QSize>

#include <array>

// The control deck's three arrangements of its groups: one row (transport, divider, knobs,
// divider, look), two rows (transport, divider and knobs above the look group) or one
// column without dividers. The widest that fits the width offered is used, the column when
// none fits.
enum class CMDeckArrangement { Wide, Medium, Narrow };

// The arithmetic of the arrangements, apart from any widget.
struct CMDeckPlan
{
    static constexpr qreal rowSpacingPt = 16;
    static constexpr qreal columnSpacingPt = 12;

    enum Part { Transport, Knobs, Look, FirstDivider, SecondDivider, PartCount };

    QSize transport;
    QSize knobs;
    QSize look;
    int dividerWidth = 1;
    qreal zoom = 1;

    QSize natural(CMDeckArrangement arrangement) const;
    CMDeckArrangement choose(int width) const;
    // The parts' rectangles, the arrangement centred in `box`; dividers span their row and
    // are empty in the column.
    std::array<QRect, PartCount> place(CMDeckArrangement arrangement, const QRect &box) const;
};

// Lays out the deck's five parts (added in the order of CMDeckPlan::Part) in the arrangement
// that fits its width. Its height follows the width.
class CMDeckLayout : public QLayout
{
    Q_OBJECT

public:
    explicit CMDeckLayout(QWidget *parent = nullptr);
    ~CMDeckLayout() override;

    CMDeckArrangement arrangement() const { return m_arrangement; }
    CMDeckPlan plan() const;

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    void setGeometry(const QRect &rect) override;

Q_SIGNALS:
    void arrangementChanged(CMDeckArrangement arrangement);

private:
    QList<QLayoutItem *> m_items;
    CMDeckArrangement m_arrangement = CMDeckArrangement::Wide;
};
