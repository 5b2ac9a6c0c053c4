#include "ovhelpblocks.h"

#include "ovhelppage.h"

#include <kit/ovfonts.h>
#include <kit/ovpaint.h>
#include <kit/ovsymbols.h>
#include <kit/ovtheme.h>
#include <kit/ovui.h>

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

qreal z(qreal points)
{
    return OVUI::shared()->z(points);
}

int zi(qreal points)
{
    return qRound(z(points));
}

const OVTheme &theme()
{
    return OVUI::shared()->theme();
}

// Plain text always: help texts are never markup, whatever characters they hold.
QLabel *label(const QString &text, const QFont &font)
{
    auto *l = new QLabel(text);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setFont(font);
    return l;
}

QHBoxLayout *row(QWidget *owner, qreal spacing)
{
    auto *r = new QHBoxLayout(owner);
    r->setContentsMargins(0, 0, 0, 0);
    r->setSpacing(zi(spacing));
    return r;
}

// The step number on an accent disc.
class StepNumber : public QWidget
{
public:
    explicit StepNumber(int number)
        : m_number(QString::number(number))
    {
        setFixedSize(zi(22), zi(22));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(theme().accent);
        p.drawEllipse(QRectF(rect()));
        p.setFont(ovFont(11, QFont::ExtraBold));
        p.setPen(Qt::white);
        p.drawText(QRectF(rect()), Qt::AlignCenter, m_number);
    }

private:
    QString m_number;
};

// A bullet's dot, as tall as the first line of the item so that it sits on that line's middle.
class BulletDot : public QWidget
{
public:
    explicit BulletDot(const QFont &itemFont)
    {
        const QFontMetricsF m(itemFont);
        m_centreY = m.ascent() - m.xHeight() / 2;
        setFixedSize(zi(6), int(std::ceil(m.height())));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const qreal d = z(6);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(theme().accent);
        p.drawEllipse(QRectF(0, m_centreY - d / 2, d, d));
    }

private:
    qreal m_centreY = 0;
};

QSizeF keyCapSize(const QString &keys)
{
    const QFontMetricsF m(ovMono(12, QFont::Bold));
    return {std::ceil(m.horizontalAdvance(keys) + 2 * z(8)), std::ceil(m.height())};
}

// A key cap at the left of the name column.
class KeyCap : public QWidget
{
public:
    KeyCap(const QString &keys, int column)
        : m_keys(keys)
        , m_cap(keyCapSize(keys))
    {
        setAccessibleName(keys);
        setFixedSize(std::max(column, int(m_cap.width())), int(m_cap.height()));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const OVTheme &t = theme();
        const QRectF cap(QPointF(0, 0), m_cap);
        const qreal radius = z(6);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(OVPaint::roundedRect(cap, radius), t.well);
        OVPaint::metalBorder(p, cap, radius, t);
        p.setFont(ovMono(12, QFont::Bold));
        p.setPen(t.text);
        p.drawText(cap, Qt::AlignCenter, m_keys);
    }

private:
    QString m_keys;
    QSizeF m_cap;
};

// The tinted, outlined box of a tip.
class TipBox : public QWidget
{
public:
    TipBox() = default;

protected:
    void paintEvent(QPaintEvent *) override
    {
        const OVTheme &t = theme();
        const QRectF r = rect();
        const qreal radius = z(12);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(OVPaint::roundedRect(r, radius), ovAlpha(t.accent, 0.14));
        OVPaint::insideStroke(p, r, radius, ovAlpha(t.accent, 0.5), 1);
    }
};

QWidget *list(const QStringList &items, bool numbered)
{
    auto *w = new QWidget;
    auto *column = new QVBoxLayout(w);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(zi(numbered ? 5 : 6));
    const QFont font = ovFont(13);
    for (qsizetype i = 0; i < items.size(); ++i) {
        auto *item = new QWidget;
        QHBoxLayout *r = row(item, numbered ? 12 : 8);
        if (numbered)
            r->addWidget(new StepNumber(int(i) + 1), 0, Qt::AlignTop);
        else
            r->addWidget(new BulletDot(font), 0, Qt::AlignTop);
        r->addWidget(label(items[i], font), 1);
        column->addWidget(item);
    }
    return w;
}

QWidget *nameAndDescription(QWidget *name, const QString &description)
{
    auto *w = new QWidget;
    QHBoxLayout *r = row(w, 12);
    r->addWidget(name, 0, Qt::AlignTop);
    r->addWidget(label(description, ovFont(12.5)), 1);
    return w;
}

QWidget *tip(const QString &text)
{
    auto *box = new TipBox;
    QHBoxLayout *r = row(box, 10);
    const int inset = zi(12);
    r->setContentsMargins(inset, inset, inset, inset);
    const QFont font = ovFont(12.5, QFont::Medium);
    auto *bulb = new OVHelpSymbol(u"lightbulb.fill"_s, 12.5);
    // As tall as the first line, so the bulb stands beside it.
    bulb->setFixedHeight(int(std::ceil(QFontMetricsF(font).height())));
    r->addWidget(bulb, 0, Qt::AlignTop);
    r->addWidget(label(text, font), 1);
    return box;
}

QString first(const HelpBlock &b)
{
    return b.strings.value(0);
}

} // namespace

OVHelpSymbol::OVHelpSymbol(const QString &name, qreal size, QWidget *parent)
    : QWidget(parent)
    , m_name(name)
    , m_size(size)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void OVHelpSymbol::setColor(const QColor &color)
{
    m_color = color;
    update();
}

QSize OVHelpSymbol::sizeHint() const
{
    const int side = zi(m_size);
    return {side, side};
}

void OVHelpSymbol::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = z(m_size);
    QRectF box(0, 0, side, side);
    box.moveCenter(QRectF(rect()).center());
    OVSymbols::paint(p, box, m_name, side, m_color.isValid() ? m_color : theme().accent);
}

namespace OVHelpBlocks {

QWidget *header(const HelpPage &page)
{
    auto *w = new QWidget;
    QHBoxLayout *r = row(w, 10);
    r->addWidget(new OVHelpSymbol(page.symbol, 24), 0, Qt::AlignVCenter);
    QLabel *title = label(page.title, ovFont(24, QFont::ExtraBold));
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    r->addWidget(title, 1);
    return w;
}

int keyColumn(const HelpPage &page)
{
    int column = zi(170);
    for (const HelpBlock &b : page.blocks) {
        if (b.kind == HelpBlock::Kind::Key)
            column = std::max(column, int(keyCapSize(first(b)).width()));
    }
    return column;
}

QWidget *block(const HelpBlock &b, int keyColumn)
{
    switch (b.kind) {
    case HelpBlock::Kind::Heading: {
        QLabel *l = label(first(b), ovFont(16, QFont::Bold));
        l->setContentsMargins(0, zi(6), 0, 0);
        return l;
    }
    case HelpBlock::Kind::Text:
        return label(first(b), ovFont(13));
    case HelpBlock::Kind::Steps:
        return list(b.strings, true);
    case HelpBlock::Kind::Bullets:
        return list(b.strings, false);
    case HelpBlock::Kind::Control: {
        QLabel *name = label(first(b), ovFont(12.5, QFont::Bold));
        name->setFixedWidth(zi(170));
        return nameAndDescription(name, b.strings.value(1));
    }
    case HelpBlock::Kind::Key:
        return nameAndDescription(new KeyCap(first(b), std::max(keyColumn, zi(170))),
                                  b.strings.value(1));
    case HelpBlock::Kind::Tip:
        return tip(first(b));
    }
    return new QWidget;
}

} // namespace OVHelpBlocks
