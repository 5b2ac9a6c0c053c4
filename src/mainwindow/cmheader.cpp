#include "cmheader.h"

#include "cmlayout.h"

#include <engine/cmengine.h>
#include <engine/cmmath.h>
#include <kit/ovbadge.h>
#include <kit/ovlettering.h>
#include <kit/ovsymbols.h>
#include <kit/ovtime.h>
#include <kit/ovui.h>

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>

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

    // Counts of a long script start at most this often while typing goes on.
    m_countLater.setSingleShot(true);
    m_countLater.setInterval(250);
    connect(&m_countLater, &QTimer::timeout, this, &CMHeader::startCount);
    connect(&engine, &CMEngine::scriptChanged, this, &CMHeader::recount);
    recount();
}

void CMHeader::recount()
{
    const CMScriptBuffer &script = m_engine.scriptBuffer();
    if (script.size() < countInlineBelow) {
        m_stale = m_counting;
        m_countLater.stop();
        m_lcd->setText(readoutText(CMMath::words(script)));
        return;
    }
    m_stale = true;
    if (!m_counting && !m_countLater.isActive())
        m_countLater.start(m_lcd->text().isEmpty() ? 0 : m_countLater.interval());
}

void CMHeader::startCount()
{
    m_counting = true;
    m_stale = false;
    QPointer<CMHeader> self(this);
    // A snapshot shares the script's chunks: the next keystroke copies one chunk, not the text.
    QThreadPool::globalInstance()->start([self, script = m_engine.scriptBuffer()]() mutable {
        const qint64 words = CMMath::words(script);
        script = CMScriptBuffer();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [self, words] {
                if (self)
                    self->counted(words);
            },
            Qt::QueuedConnection);
    });
}

void CMHeader::counted(qint64 words)
{
    m_counting = false;
    if (!m_stale || m_engine.scriptSize() >= countInlineBelow)
        m_lcd->setText(readoutText(words));
    if (m_stale)
        recount();
}

QString CMHeader::readoutText(qint64 words)
{
    return u"%1 words · ~%2 read"_s.arg(words).arg(OVTime::clock(CMMath::readingTime(words)));
}
