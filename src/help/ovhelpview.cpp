#include "ovhelpview.h"

#include "ovhelpblocks.h"
#include "ovhelppagebutton.h"

#include <kit/ovbadge.h>
#include <kit/ovfonts.h>
#include <kit/ovhalo.h>
#include <kit/ovlettering.h>
#include <kit/ovsymbols.h>
#include <kit/ovtheme.h>
#include <kit/ovui.h>

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

OVUI *ui()
{
    return OVUI::shared();
}

int zi(qreal points)
{
    return qRound(ui()->z(points));
}

// The list column's tinted face. It covers the window's background, so it also draws the
// shadows and glows of the pieces on it.
class ListFace : public QWidget
{
public:
    ListFace() { OVHalos::makeHost(this); }

protected:
    void paintEvent(QPaintEvent *e) override
    {
        QPainter p(this);
        p.fillRect(rect(), ovAlpha(ui()->theme().panel, 0.7));
        OVHalos::paint(this, p, e->region());
    }
};

// The page column's content: never narrower than 380 points, nor than its blocks need (a
// fixed minimum width would override theirs and let the blocks overlap).
class PageContent : public QWidget
{
public:
    QSize minimumSizeHint() const override
    {
        return QWidget::minimumSizeHint().expandedTo({380, 0});
    }
};

class Divider : public QWidget
{
public:
    Divider() { setFixedWidth(1); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), ui()->theme().metalLo);
    }
};

// Slim bars with a metal handle on no track, in place of the light bars of the platform style.
QString scrollBarStyle()
{
    const OVTheme &t = ui()->theme();
    return uR"(QScrollBar { background: transparent; border: none; margin: %1px; }
               QScrollBar:vertical { width: %2px; }
               QScrollBar:horizontal { height: %2px; }
               QScrollBar::handle { background: %3; border-radius: %4px; }
               QScrollBar::handle:hover, QScrollBar::handle:pressed { background: %5; }
               QScrollBar::handle:vertical { min-height: %6px; }
               QScrollBar::handle:horizontal { min-width: %6px; }
               QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }
               QScrollBar::add-page, QScrollBar::sub-page { background: transparent; })"_s
        .arg(zi(2))
        .arg(zi(10))
        .arg(ovAlpha(t.metalMid, 0.55).name(QColor::HexArgb))
        .arg(zi(3))
        .arg(ovAlpha(t.metalHi, 0.6).name(QColor::HexArgb))
        .arg(zi(24));
}

// A scroll area that shows what lies behind it.
QScrollArea *clearScrollArea()
{
    auto *area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->viewport()->setAutoFillBackground(false);
    ui()->bind(area, [area] {
        const QString style = scrollBarStyle();
        area->verticalScrollBar()->setStyleSheet(style);
        area->horizontalScrollBar()->setStyleSheet(style);
    });
    return area;
}

void setClearWidget(QScrollArea *area, QWidget *content)
{
    area->setWidget(content);
    content->setAutoFillBackground(false); // setWidget turns it on
}

QString searchStyle()
{
    const OVTheme &t = ui()->theme();
    return uR"(QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: %4px;
                           padding: %5px %6px; selection-background-color: %7;
                           selection-color: white; }
               QLineEdit:focus { border-color: %8; })"_s
        .arg(t.well.name(), t.text.name(), ovAlpha(t.metalMid, 0.6).name(QColor::HexArgb))
        .arg(zi(6))
        .arg(zi(3))
        .arg(zi(5))
        .arg(ovAlpha(t.accent, 0.6).name(QColor::HexArgb),
             ovAlpha(t.accent, 0.8).name(QColor::HexArgb));
}

bool listed(const HelpPage &page, const QString &search)
{
    return !OVHelp::filtered({page}, search).isEmpty();
}

} // namespace

OVHelpView::OVHelpView(const QList<HelpPage> &pages, const QString &appName,
                       const QString &initial, QWidget *parent)
    : QWidget(parent)
    , m_pages(pages)
    , m_appName(appName)
    , m_initial(initial)
    , m_selected(initial)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(makeListColumn());
    row->addWidget(new Divider);
    row->addWidget(makePageColumn(), 1);

    auto *find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });

    for (OVHelpPageButton *b : std::as_const(m_buttons))
        b->setSelected(b->pageId() == m_selected);
    ui()->bind(this, [this] { applyLook(); }); // also builds the page column
}

QWidget *OVHelpView::makeListColumn()
{
    m_list = new ListFace;
    m_listLayout = new QVBoxLayout(m_list);

    auto *titleBox = new QWidget;
    auto *titleLayout = new QVBoxLayout(titleBox);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    m_title = new OVChromeTitle(QString(m_appName).remove(u"OVS "_s), u"Help"_s);
    titleLayout->addWidget(m_title);
    m_listLayout->addWidget(titleBox);

    m_search = new QLineEdit;
    m_search->setPlaceholderText(u"Search help"_s);
    m_search->setAccessibleName(u"Search help"_s);
    ovBindFont(m_search, 12);
    auto *clear = m_search->addAction(QIcon(), QLineEdit::TrailingPosition);
    clear->setToolTip(u"Clear the search"_s);
    clear->setVisible(false);
    connect(clear, &QAction::triggered, m_search, &QLineEdit::clear);
    connect(m_search, &QLineEdit::textChanged, this, [this, clear](const QString &text) {
        clear->setVisible(!text.isEmpty());
        applySearch();
        Q_EMIT searchChanged(text);
    });
    ui()->bind(m_search, [this, clear] {
        m_search->setStyleSheet(searchStyle());
        clear->setIcon(OVSymbols::icon(u"xmark.circle.fill"_s, ui()->z(14), ui()->theme().dim));
    });
    m_search->installEventFilter(this);
    m_listLayout->addWidget(m_search);

    auto *scroll = clearScrollArea();
    auto *buttons = new QWidget;
    auto *column = new QVBoxLayout(buttons);
    column->setContentsMargins(0, 0, 0, 0);
    for (const HelpPage &page : std::as_const(m_pages)) {
        auto *button = new OVHelpPageButton(page.id, page.title, page.symbol);
        connect(button, &QAbstractButton::clicked, this,
                [this, id = page.id] { setSelected(id); });
        m_buttons.append(button);
        column->addWidget(button);
    }
    column->addStretch();
    ui()->bind(buttons, [column] { column->setSpacing(zi(2)); });
    setClearWidget(scroll, buttons);
    m_listLayout->addWidget(scroll, 1);

    m_listLayout->addWidget(new OVSCredit);

    ui()->bind(titleBox, [titleLayout] { titleLayout->setContentsMargins(0, 0, 0, zi(4)); });
    return m_list;
}

QWidget *OVHelpView::makePageColumn()
{
    m_pageScroll = clearScrollArea();
    m_pageScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return m_pageScroll;
}

void OVHelpView::applyLook()
{
    const int inset = zi(14);
    m_listLayout->setContentsMargins(inset, inset, inset, inset);
    m_listLayout->setSpacing(zi(6));
    m_list->setFixedWidth(zi(250));

    // The page is rebuilt in the new size and colours; keep the reader where they were.
    QScrollBar *bar = m_pageScroll->verticalScrollBar();
    const double at = bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 0.0;
    showPage();
    if (at > 0) {
        QMetaObject::invokeMethod(
            bar, [bar, at] { bar->setValue(qRound(at * bar->maximum())); }, Qt::QueuedConnection);
    }
}

void OVHelpView::setSelected(const QString &id)
{
    if (id == m_selected)
        return;
    m_selected = id;
    for (OVHelpPageButton *b : std::as_const(m_buttons))
        b->setSelected(b->pageId() == id);
    showPage();
    m_pageScroll->verticalScrollBar()->setValue(0);
    Q_EMIT selectedChanged(id);
}

QString OVHelpView::search() const
{
    return m_search->text();
}

void OVHelpView::setSearch(const QString &text)
{
    m_search->setText(text);
}

QList<HelpPage> OVHelpView::filtered() const
{
    return OVHelp::filtered(m_pages, search());
}

const HelpPage *OVHelpView::shownPage() const
{
    return OVHelp::find(m_pages, m_selected);
}

QList<OVHelpPageButton *> OVHelpView::listedButtons() const
{
    QList<OVHelpPageButton *> result;
    for (OVHelpPageButton *b : m_buttons) {
        if (!b->isHidden())
            result.append(b);
    }
    return result;
}

void OVHelpView::applySearch()
{
    const QString text = search();
    for (qsizetype i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setHidden(!listed(m_pages[i], text));
}

void OVHelpView::showPage()
{
    auto *content = new PageContent;
    if (const HelpPage *page = shownPage()) {
        auto *column = new QVBoxLayout(content);
        const int inset = zi(26);
        column->setContentsMargins(inset, inset, inset, inset);
        column->setSpacing(zi(12));
        column->addWidget(OVHelpBlocks::header(*page));
        const int keyColumn = OVHelpBlocks::keyColumn(*page);
        for (const HelpBlock &block : page->blocks)
            column->addWidget(OVHelpBlocks::block(block, keyColumn));
        column->addStretch();
    }
    setClearWidget(m_pageScroll, content);
    m_page = content;
}

// Arrows walk the listed pages and Return opens the first one, so the keyboard never has to
// leave the search field.
bool OVHelpView::searchKey(int key)
{
    const QList<OVHelpPageButton *> buttons = listedButtons();
    if (key == Qt::Key_Escape && !search().isEmpty()) {
        m_search->clear();
        return true;
    }
    if (buttons.isEmpty())
        return false;
    qsizetype at = -1;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        if (buttons[i]->isSelected())
            at = i;
    }
    qsizetype next = at;
    switch (key) {
    case Qt::Key_Down:
        next = at < 0 ? 0 : std::min(at + 1, buttons.size() - 1);
        break;
    case Qt::Key_Up:
        next = at < 0 ? 0 : std::max<qsizetype>(at - 1, 0);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        next = at < 0 ? 0 : at;
        break;
    default:
        return false;
    }
    setSelected(buttons[next]->pageId());
    return true;
}

bool OVHelpView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier)
            return searchKey(key->key());
    }
    return QWidget::eventFilter(watched, event);
}
