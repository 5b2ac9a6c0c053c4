#include "cmheader.h"

#include "cmlayout.h"

#include <engine/cmengine.h>
#include <engine/cmmath.h>
#include <kit/ovbadge.h>
#include <kit/ovlettering.h>
#include <kit/ovsymbols.h>
#include <kit/ovtime.h>
#include <kit/ovui.h>

#include <QHBoxLayout>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

// The application's round logo: a chrome disc with the viewfinder symbol.
class Logo : public QWidget
{
public:
    Logo()
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        OVUI::shared()->bind(this, [this] {
            const int side = qRound(OVUI::shared()->z(38));
            setFixedSize(side, side);
            update();
        });
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const OVUI *ui = OVUI::shared();
        const QRectF r = rect();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(ui->theme().chrome(r));
        p.drawEllipse(r);
        OVSymbols::paint(p, r, u"text.viewfinder"_s, ui->z(17), ui->theme().accent);
    }
};

} // namespace

CMHeader::CMHeader(CMEngine &engine, QWidget *parent)
    : OVPanel(26, 8, parent)
    , m_engine(engine)
    , m_lcd(new OVLCD(QString(), 13))
{
    auto *row = CMLayout::row(this, 12);
    setLayout(row);
    row->addWidget(new Logo, 0, Qt::AlignVCenter);
    row->addWidget(new OVChromeTitle(u"Cue"_s, u"master"_s), 0, Qt::AlignVCenter);
    row->addStretch();
    row->addWidget(m_lcd, 0, Qt::AlignVCenter);
    row->addStretch();
    row->addWidget(new OVSBadge, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(&engine, &CMEngine::scriptChanged, this, &CMHeader::recount);
    recount();
}

void CMHeader::recount()
{
    m_lcd->setText(readoutText(m_words.count(m_engine.scriptBuffer())));
}

QString CMHeader::readoutText(qint64 words)
{
    return u"%1 words · ~%2 read"_s.arg(words).arg(OVTime::clock(CMMath::readingTime(words)));
}
