#include <help/cmhelp.h>
#include <help/ovcommonhelp.h>
#include <help/ovhelppagebutton.h>
#include <help/ovhelpview.h>
#include <help/ovhelpwindow.h>
#include <kit/ovlettering.h>
#include <kit/ovui.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString appName = u"OVS Cuemaster"_s;

QList<HelpPage> allPages()
{
    return CMHelp::pages() + OVCommonHelp::pages(appName);
}

OVHelpView *view()
{
    return OVHelpWindow::view();
}

QStringList listedIds()
{
    QStringList ids;
    for (const OVHelpPageButton *b : view()->listedButtons())
        ids << b->pageId();
    return ids;
}

// Every text the page column shows: its labels and the painted key caps.
QStringList pageTexts()
{
    QStringList texts;
    QWidget *content = view()->pageColumn()->widget();
    for (const QWidget *w : content->findChildren<QWidget *>()) {
        if (const auto *label = qobject_cast<const QLabel *>(w))
            texts << label->text();
        else if (!w->accessibleName().isEmpty())
            texts << w->accessibleName();
    }
    return texts;
}

OVHelpPageButton *button(const QString &id)
{
    for (OVHelpPageButton *b : view()->listedButtons()) {
        if (b->pageId() == id)
            return b;
    }
    return nullptr;
}

int visibleWindowsTitled(const QString &title)
{
    int n = 0;
    for (const QWidget *w : QApplication::topLevelWidgets())
        n += w->isVisible() && w->windowTitle() == title;
    return n;
}

} // namespace

class TestHelpWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void opensAtPage_data();
    void opensAtPage();
    void reuseAndFreshContent();
    void narrowWindowIsReset();
    void noPages();
    void clickShowsPage();
    void searchKeepsPage_data();
    void searchKeepsPage();
    void searchFieldKeys_data();
    void searchFieldKeys();
    void blocksShowEveryText_data();
    void blocksShowEveryText();
    void blocksDoNotOverlap_data();
    void blocksDoNotOverlap();
    void followsZoom();
};

void TestHelpWindow::initTestCase()
{
    OVHelpWindow::setAppName(appName);
}

void TestHelpWindow::init()
{
    OVHelpWindow::setPages(allPages());
    OVUI::shared()->setZoom(1.0);
}

void TestHelpWindow::opensAtPage_data()
{
    QTest::addColumn<std::optional<QString>>("page");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("title"); // empty: the page column is empty

    QTest::newRow("no page: the first") << std::optional<QString>() << u"overview"_s
                                        << u"What Cuemaster Is"_s;
    QTest::newRow("keys") << std::optional<QString>(u"keys"_s) << u"keys"_s
                          << u"Keyboard & Remote"_s;
    QTest::newRow("shared page") << std::optional<QString>(u"about"_s) << u"about"_s
                                 << u"About OVS"_s;
    QTest::newRow("unknown id") << std::optional<QString>(u"nope"_s) << u"nope"_s << QString();
}

void TestHelpWindow::opensAtPage()
{
    QFETCH(std::optional<QString>, page);
    QFETCH(QString, selected);
    QFETCH(QString, title);

    OVHelpWindow::show(page);
    QVERIFY(view());
    QCOMPARE(view()->selected(), selected);
    QCOMPARE(listedIds().size(), allPages().size());
    const QStringList texts = pageTexts();
    if (title.isEmpty()) {
        QVERIFY(!view()->shownPage());
        QVERIFY(texts.isEmpty());
    } else {
        QCOMPARE(view()->shownPage()->title, title);
        QVERIFY(texts.contains(title));
    }
    for (const OVHelpPageButton *b : view()->listedButtons())
        QCOMPARE(b->isSelected(), b->pageId() == selected);
}

void TestHelpWindow::reuseAndFreshContent()
{
    OVHelpWindow::show(u"quickstart"_s);
    QWidget *window = OVHelpWindow::window();
    QPointer<OVHelpView> first = view();
    first->setSearch(u"mirror"_s);
    QTest::mouseClick(button(u"rig"_s), Qt::LeftButton);
    QCOMPARE(first->selected(), u"rig"_s);

    OVHelpWindow::show(u"keys"_s);
    QCOMPARE(OVHelpWindow::window(), window);
    QVERIFY(view() != first);
    QCOMPARE(view()->search(), QString());
    QCOMPARE(view()->searchField()->text(), QString());
    QCOMPARE(view()->selected(), u"keys"_s);
    QCOMPARE(view()->shownPage()->title, u"Keyboard & Remote"_s);
    QCOMPARE(listedIds().size(), allPages().size());
    QTRY_VERIFY(!first);
    QCOMPARE(view()->window(), window);

    QCOMPARE(window->windowTitle(), u"OVS Cuemaster Help"_s);
    QCOMPARE(visibleWindowsTitled(u"OVS Cuemaster Help"_s), 1);
    QVERIFY(window->isVisible());
    QCOMPARE(window->minimumSize(), QSize(640, 420));
    QCOMPARE(view()->title()->first(), u"Cuemaster"_s);
    QCOMPARE(view()->title()->second(), u"Help"_s);
}

void TestHelpWindow::narrowWindowIsReset()
{
    OVHelpWindow::show();
    QWidget *window = OVHelpWindow::window();
    window->resize(700, 500);
    OVHelpWindow::show(u"keys"_s);
    QCOMPARE(window->size(), QSize(700, 500)); // wide enough: left as the user made it

    // Only the platform can squeeze it below its minimum, as a screen change does.
    window->windowHandle()->resize(500, 400);
    QTRY_COMPARE(window->width(), 500);
    OVHelpWindow::show(u"keys"_s);
    QCOMPARE(window->size(), QSize(900, 640));
    const QPoint screenCentre = window->screen()->availableGeometry().center();
    QVERIFY2((window->frameGeometry().center() - screenCentre).manhattanLength() <= 2,
             qPrintable(u"frame centre %1,%2"_s.arg(window->frameGeometry().center().x())
                            .arg(window->frameGeometry().center().y())));
}

void TestHelpWindow::noPages()
{
    OVHelpWindow::setPages({});
    OVHelpWindow::show();
    QCOMPARE(view()->selected(), QString());
    QVERIFY(view()->listedButtons().isEmpty());
    QVERIFY(!view()->shownPage());
    QVERIFY(pageTexts().isEmpty());
    view()->setSearch(u"mirror"_s);
    QVERIFY(view()->listedButtons().isEmpty());
}

void TestHelpWindow::clickShowsPage()
{
    OVHelpWindow::show(u"no such page"_s);
    QVERIFY(pageTexts().isEmpty());
    QSignalSpy selected(view(), &OVHelpView::selectedChanged);
    QTest::mouseClick(button(u"tips"_s), Qt::LeftButton);
    QCOMPARE(selected.size(), 1);
    QCOMPARE(view()->selected(), u"tips"_s);
    QVERIFY(pageTexts().contains(u"Tips"_s));
    QVERIFY(button(u"tips"_s)->isSelected());
    QVERIFY(!button(u"overview"_s)->isSelected());
}

void TestHelpWindow::searchKeepsPage_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("listed");

    const QStringList mirror{u"overview"_s, u"quickstart"_s, u"rig"_s,
                             u"deck"_s,     u"keys"_s,       u"tips"_s};
    QTest::newRow("mirror") << u"mirror"_s << mirror;
    QTest::newRow("capitals and spaces") << u"  MIRROR  "_s << mirror;
    QTest::newRow("key caption") << u"page down"_s << QStringList{u"keys"_s};
    QTest::newRow("no match") << u"xylophone"_s << QStringList{};
}

void TestHelpWindow::searchKeepsPage()
{
    QFETCH(QString, search);
    QFETCH(QStringList, listed);

    OVHelpWindow::show(u"script"_s);
    QSignalSpy changed(view(), &OVHelpView::searchChanged);
    QTest::keyClicks(view()->searchField(), search);
    QCOMPARE(changed.size(), search.size());
    QCOMPARE(listedIds(), listed);
    QStringList filtered;
    for (const HelpPage &p : view()->filtered())
        filtered << p.id;
    QCOMPARE(filtered, listed);
    QCOMPARE(view()->selected(), u"script"_s);
    QVERIFY(pageTexts().contains(u"Script Desk"_s));

    view()->setSearch(QString());
    QCOMPARE(listedIds().size(), allPages().size());
}

void TestHelpWindow::searchFieldKeys_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("searchAfter");

    QTest::newRow("down") << QString() << u"overview"_s << int(Qt::Key_Down) << u"quickstart"_s
                          << QString();
    QTest::newRow("up at the top stays") << QString() << u"overview"_s << int(Qt::Key_Up)
                                         << u"overview"_s << QString();
    QTest::newRow("down at the end stays") << QString() << u"about"_s << int(Qt::Key_Down)
                                           << u"about"_s << QString();
    QTest::newRow("down among matches") << u"mirror"_s << u"rig"_s << int(Qt::Key_Down)
                                        << u"deck"_s << u"mirror"_s;
    QTest::newRow("return opens the first match")
        << u"page down"_s << u"overview"_s << int(Qt::Key_Return) << u"keys"_s << u"page down"_s;
    QTest::newRow("return on no match") << u"xylophone"_s << u"tips"_s << int(Qt::Key_Return)
                                        << u"tips"_s << u"xylophone"_s;
    QTest::newRow("escape clears") << u"mirror"_s << u"tips"_s << int(Qt::Key_Escape)
                                   << u"tips"_s << QString();
}

void TestHelpWindow::searchFieldKeys()
{
    QFETCH(QString, search);
    QFETCH(QString, start);
    QFETCH(int, key);
    QFETCH(QString, selected);
    QFETCH(QString, searchAfter);

    OVHelpWindow::show(start);
    view()->setSearch(search);
    QTest::keyClick(view()->searchField(), Qt::Key(key));
    QCOMPARE(view()->selected(), selected);
    QCOMPARE(view()->search(), searchAfter);
}

void TestHelpWindow::blocksShowEveryText_data()
{
    QTest::addColumn<QString>("id");
    for (const HelpPage &page : allPages())
        QTest::newRow(qPrintable(page.id)) << page.id;
    QTest::newRow("markup stays text") << u"markup"_s;
}

void TestHelpWindow::blocksShowEveryText()
{
    QFETCH(QString, id);

    QList<HelpPage> pages = allPages();
    pages.append({u"markup"_s, u"<b>Markup</b>"_s, u"no.such.symbol"_s,
                  {HelpBlock::text(u"<i>not italic</i>"_s), HelpBlock::key(u"<"_s, u"&amp;"_s),
                   HelpBlock::control(QString(), QString()), HelpBlock::steps({})}});
    OVHelpWindow::setPages(pages);
    OVHelpWindow::show(id);

    const HelpPage *page = OVHelp::find(pages, id);
    const QStringList texts = pageTexts();
    QVERIFY(texts.contains(page->title));
    for (const HelpBlock &block : page->blocks) {
        for (const QString &s : block.strings)
            QVERIFY2(texts.contains(s), qPrintable(s));
    }
    int steps = 0;
    for (const HelpBlock &block : page->blocks)
        steps += block.kind == HelpBlock::Kind::Steps ? int(block.strings.size()) : 0;
    QWidget *content = view()->pageColumn()->widget();
    for (const QLabel *label : content->findChildren<QLabel *>())
        QCOMPARE(label->textFormat(), Qt::PlainText);
    // The rows of steps come in order, numbered from 1.
    if (steps > 0) {
        QStringList items;
        for (const HelpBlock &block : page->blocks) {
            if (block.kind == HelpBlock::Kind::Steps)
                items += block.strings;
        }
        int at = -1;
        for (const QString &item : items) {
            const int next = int(texts.indexOf(item));
            QVERIFY(next > at);
            at = next;
        }
    }
}

void TestHelpWindow::blocksDoNotOverlap_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("width");
    QTest::newRow("zoom 1, usual width") << 1.0 << 900;
    QTest::newRow("zoom 1, narrowest") << 1.0 << 640;
    QTest::newRow("zoom 2, usual width") << 2.0 << 900;
    QTest::newRow("zoom 2, narrowest") << 2.0 << 640;
}

// Pieces of the page never lie on one another, and the page column scrolls rather than cut
// anything off, however little room the zoom leaves.
void TestHelpWindow::blocksDoNotOverlap()
{
    QFETCH(double, zoom);
    QFETCH(int, width);

    OVUI::shared()->setZoom(zoom);
    for (const HelpPage &page : allPages()) {
        OVHelpWindow::show(page.id);
        OVHelpWindow::window()->resize(width, 640);
        QTest::qWait(0);
        QCoreApplication::processEvents();
        QWidget *content = view()->pageColumn()->widget();
        QList<QPair<QRect, QString>> leaves;
        for (QWidget *w : content->findChildren<QWidget *>()) {
            if (!w->isVisible() || !w->findChildren<QWidget *>().isEmpty())
                continue;
            const auto *label = qobject_cast<QLabel *>(w);
            const QString name = label ? label->text() : w->accessibleName();
            const QRect rect(w->mapTo(content, QPoint()), w->size());
            QVERIFY2(content->rect().contains(rect), qPrintable(page.id + u": "_s + name));
            for (const auto &[other, otherName] : std::as_const(leaves)) {
                QVERIFY2(!rect.intersects(other),
                         qPrintable(page.id + u": "_s + name + u" / "_s + otherName));
            }
            leaves.append({rect, name});
        }
        QVERIFY(leaves.size() > page.blocks.size());
    }
    OVUI::shared()->setZoom(1.0);
}

void TestHelpWindow::followsZoom()
{
    OVHelpWindow::show(u"deck"_s);
    QCOMPARE(view()->listColumn()->width(), 250);
    const QLabel *before = view()->pageColumn()->widget()->findChild<QLabel *>();
    const qreal sizeBefore = before->font().pointSizeF();

    OVUI::shared()->setZoom(1.5);
    QCOMPARE(view()->listColumn()->width(), 375);
    QCOMPARE(view()->selected(), u"deck"_s);
    const QLabel *after = view()->pageColumn()->widget()->findChild<QLabel *>();
    QVERIFY(after);
    QCOMPARE(after->font().pointSizeF(), sizeBefore * 1.5);
    QVERIFY(pageTexts().contains(u"Control Deck"_s));

    OVUI::shared()->setZoom(1.0);
    QCOMPARE(view()->listColumn()->width(), 250);
}

QTEST_MAIN(TestHelpWindow)
#include "tst_helpwindow.moc"
