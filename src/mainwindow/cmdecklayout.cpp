#include "cmdecklayout.h"

#include <kit/ovui.h>

#include <algorithm>

namespace {

int zoomed(qreal points, qreal zoom)
{
    return qRound(points * zoom);
}

} // namespace

QSize CMDeckPlan::natural(CMDeckArrangement arrangement) const
{
    const int row = zoomed(rowSpacingPt, zoom);
    const int column = zoomed(columnSpacingPt, zoom);
    const int divided = 2 * row + dividerWidth;
    switch (arrangement) {
    case CMDeckArrangement::Wide:
        return {transport.width() + divided + knobs.width() + divided + look.width(),
                std::max({transport.height(), knobs.height(), look.height()})};
    case CMDeckArrangement::Medium:
        return {std::max(transport.width() + divided + knobs.width(), look.width()),
                std::max(transport.height(), knobs.height()) + column + look.height()};
    case CMDeckArrangement::Narrow:
        break;
    }
    return {std::max({transport.width(), knobs.width(), look.width()}),
            transport.height() + column + knobs.height() + column + look.height()};
}

CMDeckArrangement CMDeckPlan::choose(int width) const
{
    for (const CMDeckArrangement a : {CMDeckArrangement::Wide, CMDeckArrangement::Medium}) {
        if (natural(a).width() <= width)
            return a;
    }
    return CMDeckArrangement::Narrow;
}

std::array<QRect, CMDeckPlan::PartCount> CMDeckPlan::place(CMDeckArrangement arrangement,
                                                           const QRect &box) const
{
    std::array<QRect, PartCount> r;
    const QSize size = natural(arrangement);
    const int left = box.left() + std::max(0, (box.width() - size.width()) / 2);
    const int top = box.top();
    const int row = zoomed(rowSpacingPt, zoom);
    const int column = zoomed(columnSpacingPt, zoom);

    // Transport, divider, knobs along one row from `x`; returns where the row ends.
    const auto firstRow = [&](int x, int height) {
        r[Transport] = QRect(QPoint(x, top), transport);
        x += transport.width() + row;
        r[FirstDivider] = QRect(x, top, dividerWidth, height);
        x += dividerWidth + row;
        r[Knobs] = QRect(QPoint(x, top), knobs);
        return x + knobs.width();
    };

    switch (arrangement) {
    case CMDeckArrangement::Wide: {
        int x = firstRow(left, size.height()) + row;
        r[SecondDivider] = QRect(x, top, dividerWidth, size.height());
        x += dividerWidth + row;
        r[Look] = QRect(QPoint(x, top), look);
        break;
    }
    case CMDeckArrangement::Medium: {
        const int height = std::max(transport.height(), knobs.height());
        firstRow(left, height);
        r[Look] = QRect(QPoint(left, top + height + column), look);
        break;
    }
    case CMDeckArrangement::Narrow:
        r[Transport] = QRect(QPoint(left, top), transport);
        r[Knobs] = QRect(QPoint(left, r[Transport].bottom() + 1 + column), knobs);
        r[Look] = QRect(QPoint(left, r[Knobs].bottom() + 1 + column), look);
        break;
    }
    return r;
}

CMDeckLayout::CMDeckLayout(QWidget *parent)
    : QLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
    // Spacings follow the zoom; so must the size the deck asks for.
    OVUI::shared()->bind(this, [this] { invalidate(); });
}

CMDeckLayout::~CMDeckLayout()
{
    qDeleteAll(m_items);
}

void CMDeckLayout::addItem(QLayoutItem *item)
{
    m_items.append(item);
}

int CMDeckLayout::count() const
{
    return int(m_items.size());
}

QLayoutItem *CMDeckLayout::itemAt(int index) const
{
    return m_items.value(index);
}

QLayoutItem *CMDeckLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

CMDeckPlan CMDeckLayout::plan() const
{
    CMDeckPlan plan;
    const auto hint = [this](int part) {
        const QLayoutItem *item = itemAt(part);
        return item ? item->sizeHint() : QSize();
    };
    plan.transport = hint(CMDeckPlan::Transport);
    plan.knobs = hint(CMDeckPlan::Knobs);
    plan.look = hint(CMDeckPlan::Look);
    plan.zoom = OVUI::shared()->zoom();
    return plan;
}

QSize CMDeckLayout::sizeHint() const
{
    const QMargins m = contentsMargins();
    return plan().natural(CMDeckArrangement::Wide).grownBy(m);
}

QSize CMDeckLayout::minimumSize() const
{
    const QMargins m = contentsMargins();
    return plan().natural(CMDeckArrangement::Narrow).grownBy(m);
}

int CMDeckLayout::heightForWidth(int width) const
{
    const QMargins m = contentsMargins();
    const CMDeckPlan p = plan();
    const int inner = width - m.left() - m.right();
    return p.natural(p.choose(inner)).height() + m.top() + m.bottom();
}

void CMDeckLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    const QRect box = contentsRect();
    const CMDeckPlan p = plan();
    const CMDeckArrangement chosen = p.choose(box.width());
    const auto rects = p.place(chosen, box);
    for (int i = 0; i < count() && i < CMDeckPlan::PartCount; ++i)
        m_items[i]->setGeometry(rects[size_t(i)]);
    if (chosen != m_arrangement) {
        m_arrangement = chosen;
        Q_EMIT arrangementChanged(chosen);
    }
}
