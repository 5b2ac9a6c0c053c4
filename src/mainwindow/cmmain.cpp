#include "cmmain.h"

#include "cmdeck.h"
#include "cmheader.h"
#include "cmlayout.h"
#include "cmrig.h"
#include "cmscriptdesk.h"
#include "cmvoicestrip.h"

#include <kit/ovbadge.h>
#include <kit/ovfonts.h>
#include <kit/ovsymbols.h>
#include <kit/ovui.h>

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// One line of text that ends in "…" when it does not fit.
class ElidedText : public QWidget
{
public:
    explicit ElidedText(const QString &text)
        : m_text(text)
    {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        OVUI::shared()->bind(this, [this] {
            updateGeometry();
            update();
        });
    }

    QSize sizeHint() const override
    {
        const QFontMetricsF m(font());
        return {int(std::ceil(m.horizontalAdvance(m_text))), int(std::ceil(m.height()))};
    }

    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(OVUI::shared()->theme().dim);
        const QString shown = fontMetrics().elidedText(m_text, Qt::ElideRight, width());
        p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shown);
    }

private:
    QString m_text;
};

class Symbol : public QWidget
{
public:
    Symbol(const QString &name, qreal sizePt)
        : m_name(name)
        , m_sizePt(sizePt)
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        OVUI::shared()->bind(this, [this] {
            const int side = qRound(OVUI::shared()->z(m_sizePt * 1.3));
            setFixedSize(side, side);
            update();
        });
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        OVSymbols::paint(p, rect(), m_name, OVUI::shared()->z(m_sizePt * 1.3),
                         OVUI::shared()->theme().accent2);
    }

private:
    QString m_name;
    qreal m_sizePt;
};

// What the scroll area holds: exactly the area offered, but never less than the layout's
// minimum. The column inside is placed by hand, so that the scroll area never grows the
// content to the column's preferred height for its width.
class Content : public QWidget
{
public:
    explicit Content(QWidget *column)
        : m_column(column)
    {
        column->setParent(this);
        OVUI::shared()->bind(this, [this] {
            const OVUI *ui = OVUI::shared();
            setMinimumSize(qRound(ui->z(CMMain::minimumWidthPt)),
                           qRound(ui->z(CMMain::minimumHeightPt)));
        });
    }

protected:
    void resizeEvent(QResizeEvent *) override { m_column->setGeometry(rect()); }

private:
    QWidget *m_column;
};

} // namespace

CMMain::CMMain(CMEngine &engine, CMPrompterWindow &live, QWidget *parent)
    : QScrollArea(parent)
    , m_header(new CMHeader(engine))
    , m_desk(new CMScriptDesk(engine))
    , m_rig(new CMRig(engine))
    , m_deck(new CMDeck(engine, live))
    , m_voice(new CMVoiceStrip(engine))
    , m_footer(makeFooter())
{
    // Nothing between the panels and the window may fill a background: the window's gradient
    // and the panels' shadows must show through.
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    viewport()->setAutoFillBackground(false);
    CMLayout::slimScrollBars(this);

    auto *inner = new QWidget;
    auto *column = CMLayout::column(inner, 10);
    CMLayout::bindMargins(inner, column, 12, 12, 12, 12);
    inner->setLayout(column);
    column->addWidget(m_header);

    auto *row = CMLayout::row(inner, 10);
    CMLayout::bindWidth(m_desk, deskWidthPt);
    row->addWidget(m_desk);
    row->addWidget(m_rig, 1);
    column->addLayout(row, 1);
    column->addWidget(m_deck);
    column->addWidget(m_footer);

    setWidget(new Content(inner));
}

QWidget *CMMain::makeFooter()
{
    auto *footer = new QWidget;
    auto *row = CMLayout::row(footer);
    CMLayout::bindMargins(footer, row, 8, 0, 8, 0);
    footer->setLayout(row);
    row->addWidget(new Symbol(u"keyboard"_s, 11), 0, Qt::AlignVCenter);
    auto *keys = new ElidedText(u"Space start/stop · ↑/↓ speed · ←/→ or Page Up/Down jump "
                                u"(presentation clickers work) · [ / ] cues · R top · M mirror · "
                                u"F flip · +/− size"_s);
    ovBindFont(keys, 11, QFont::Normal, OVDesign::Rounded);
    row->addWidget(keys, 1, Qt::AlignVCenter);
    row->addWidget(m_voice, 0, Qt::AlignVCenter);
    row->addWidget(new OVSCredit, 0, Qt::AlignVCenter);
    return footer;
}
