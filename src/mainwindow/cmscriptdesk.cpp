#include "cmscriptdesk.h"

#include "cmlayout.h"
#include "cmsavenotice.h"
#include "cmscripteditor.h"

#include <engine/cmengine.h>
#include <files/cmimportjob.h>
#include <files/cmscriptfiles.h>
#include <kit/ovbuttons.h>
#include <kit/ovfonts.h>
#include <kit/ovlettering.h>
#include <kit/ovsymbols.h>
#include <kit/ovui.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The "…" menu's button: the bare symbol, no bezel, brighter under the pointer.
class MoreButton : public QToolButton
{
public:
    explicit MoreButton(QWidget *parent = nullptr)
        : QToolButton(parent)
    {
        setPopupMode(QToolButton::InstantPopup);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
        setToolTip(u"More"_s);
        CMLayout::bindWidth(this, 28);
        OVUI::shared()->bind(this, [this] {
            setFixedHeight(qRound(OVUI::shared()->z(24)));
            update();
        });
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const OVTheme &theme = OVUI::shared()->theme();
        const bool hot = underMouse() || isDown();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        OVSymbols::paint(p, rect(), u"ellipsis.circle"_s, OVUI::shared()->z(17),
                         hot ? theme.text : theme.dim);
    }
};

} // namespace

CMScriptDesk::CMScriptDesk(CMEngine &engine, QWidget *parent)
    : OVPanel(22, 10, parent)
    , m_engine(engine)
    , m_editor(new CMScriptEditor(engine))
{
    auto *column = CMLayout::column(this, 8);
    setLayout(column);
    column->addWidget(toolRow());

    auto *well = new OVWell(14);
    auto *inside = new QVBoxLayout(well);
    CMLayout::bindMargins(well, inside, 8, 8, 8, 8);
    inside->addWidget(m_editor);
    column->addWidget(well, 1);
    m_drop = CMScriptFiles::attachScriptDrop(m_editor, engine);
    m_notice = new CMSaveNotice(engine);
    column->addWidget(m_notice);

    m_tip = CMLayout::label(u"Tip: put stage directions in [square brackets]. They show small "
                            u"and dimmed on the prompter."_s,
                            10.5, QFont::Normal, OVDesign::Rounded, true);
    m_tip->setWordWrap(true);
    column->addWidget(m_tip);
    column->addWidget(importRow());
}

// Shown instead of the tip while an import takes longer than a moment: which file, how far,
// and a way out. The script stays as it is until the import is done.
QWidget *CMScriptDesk::importRow()
{
    m_importRow = new QWidget;
    auto *row = CMLayout::row(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_importRow->setLayout(row);
    m_importStatus = CMLayout::label(QString(), 10.5, QFont::Normal, OVDesign::Rounded, true);
    m_importStatus->setTextFormat(Qt::PlainText);
    row->addWidget(m_importStatus, 1);
    m_cancelImport = new OVChromeButton(u"Cancel"_s);
    m_cancelImport->setCompact(true);
    row->addWidget(m_cancelImport);
    m_importRow->hide();

    CMImportJob *job = CMImportJob::of(m_engine);
    connect(m_cancelImport, &QAbstractButton::clicked, job, &CMImportJob::cancel);
    auto *delay = new QTimer(this);
    delay->setSingleShot(true);
    delay->setInterval(300);
    connect(delay, &QTimer::timeout, this, [this, job] {
        if (!job->running())
            return;
        showImportProgress(job->permille());
        m_tip->hide();
        m_importRow->show();
    });
    connect(job, &CMImportJob::runningChanged, this, [this, delay](bool running) {
        if (running) {
            delay->start();
            return;
        }
        delay->stop();
        m_importRow->hide();
        m_tip->show();
    });
    connect(job, &CMImportJob::progress, this, &CMScriptDesk::showImportProgress);
    return m_importRow;
}

void CMScriptDesk::showImportProgress(int permille)
{
    const QString name = CMImportJob::of(m_engine)->fileName();
    QString text = u"Importing \u201C%1\u201D\u2026"_s.arg(name);
    if (permille > 0)
        text += u" %1 %"_s.arg(permille / 10);
    m_importStatus->setText(text);
}

QWidget *CMScriptDesk::toolRow()
{
    auto *bar = new QWidget;
    auto *row = CMLayout::row(this);
    bar->setLayout(row);
    row->addWidget(new OVCaption(u"Script"_s));
    row->addStretch();

    m_import = new OVChromeButton(u"Import"_s);
    m_import->setCompact(true);
    m_import->setSymbol(u"square.and.arrow.down"_s);
    m_import->setToolTip(u"TXT, RTF, Word (DOCX), OpenDocument, HTML or PDF"_s);
    connect(m_import, &QAbstractButton::clicked, this,
            [this] { CMScriptFiles::importScript(m_engine, window()); });
    row->addWidget(m_import);

    m_save = new OVChromeButton(u"Save TXT"_s);
    m_save->setCompact(true);
    m_save->setSymbol(u"square.and.arrow.up"_s);
    connect(m_save, &QAbstractButton::clicked, this,
            [this] { CMScriptFiles::exportScript(m_engine, window()); });
    row->addWidget(m_save);

    auto *more = new MoreButton;
    m_menu = new QMenu(more);
    ovBindFont(m_menu, 13);
    m_menu->addAction(u"Insert cue line [ ]"_s, this, &CMScriptDesk::insertCueLine);
    m_menu->addAction(u"Clear script"_s, this, &CMScriptDesk::clearScript);
    m_menu->addAction(u"Restore sample script"_s, this, &CMScriptDesk::restoreSampleScript);
    more->setMenu(m_menu);
    row->addWidget(more);
    return bar;
}

void CMScriptDesk::insertCueLine()
{
    m_engine.setScript(m_engine.script() + u"\n[Cue]\n"_s);
}

void CMScriptDesk::clearScript()
{
    m_engine.replaceScript(QString());
}

void CMScriptDesk::restoreSampleScript()
{
    m_engine.replaceScript(CMEngine::sampleScript());
}
