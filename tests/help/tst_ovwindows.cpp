#include <help/cmhelp.h>
#include <help/ovabout.h>
#include <help/ovcommonhelp.h>
#include <help/ovhelppagebutton.h>
#include <help/ovhelpview.h>
#include <help/ovhelpwindow.h>
#include <kit/ovui.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
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

std::optional<QString> given(const QString &s)
{
    return s.isNull() ? std::nullopt : std::optional<QString>(s);
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

int visibleWindowsTitled(const QString &title)
{
    int n = 0;
    for (const QWidget *w : QApplication::topLevelWidgets())
        n += w->isVisible() && w->windowTitle() == title;
    return n;
}

} // namespace

// The Help window and the About panel: one window each, reused with fresh content.
class TestOVWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void opensAtPage_data();
    void opensAtPage();
    void reopening();
    void noPages();
    void search_data();
    void search();
    void pagesShowEveryText_data();
    void pagesShowEveryText();
    void savedFolderInTheTips();
    void keyCaptions_data();
    void keyCaptions();
    void everyPageWritesThisPlatformsKeys();
    void aboutVersionLine_data();
    void aboutVersionLine();
    void oneAboutWindow();
};

void TestOVWindows::init()
{
    OVHelpWindow::setAppName(appName);
    OVHelpWindow::setPages(allPages());
    OVUI::shared()->setZoom(1.0);
}

void TestOVWindows::opensAtPage_data()
{
    QTest::addColumn<QString>("page"); // null: none asked for
    QTest::addColumn<QString>("title"); // empty: the page column is empty

    QTest::newRow("no page: the first") << QString() << u"What Cuemaster Is"_s;
    QTest::newRow("keys") << u"keys"_s << u"Keyboard & Remote"_s;
    QTest::newRow("shared page") << u"about"_s << u"About OVS"_s;
    QTest::newRow("unknown id") << u"nope"_s << QString();
}

// Wherever it opens, even on no page, a click in the list shows that page.
void TestOVWindows::opensAtPage()
{
    QFETCH(QString, page);
    QFETCH(QString, title);

    OVHelpWindow::show(given(page));
    QCOMPARE(listedIds().size(), allPages().size());
    const auto shows = [](const QString &id, const QString &shownTitle) {
        QCOMPARE(view()->selected(), id);
        QCOMPARE(view()->shownPage() ? view()->shownPage()->title : QString(), shownTitle);
        QCOMPARE(pageTexts().isEmpty(), shownTitle.isEmpty());
        QVERIFY(shownTitle.isEmpty() || pageTexts().contains(shownTitle));
        for (const OVHelpPageButton *b : view()->listedButtons())
            QCOMPARE(b->isSelected(), b->pageId() == id);
    };
    shows(page.isNull() ? u"overview"_s : page, title);
    if (QTest::currentTestFailed())
        return;
    QSignalSpy changed(view(), &OVHelpView::selectedChanged);
    QTest::mouseClick(view()->listedButtons().value(listedIds().indexOf(u"tips"_s)),
                      Qt::LeftButton);
    QCOMPARE(changed.size(), 1);
    shows(u"tips"_s, u"Tips"_s);
}

// Showing it again reuses the window with fresh content, and undoes only a squeeze below its
// minimum, as a screen change can make.
void TestOVWindows::reopening()
{
    OVHelpWindow::show(u"quickstart"_s);
    QWidget *window = OVHelpWindow::window();
    QPointer<OVHelpView> first = view();
    first->setSearch(u"mirror"_s);
    window->resize(700, 500);

    OVHelpWindow::show(u"keys"_s);
    QCOMPARE(OVHelpWindow::window(), window);
    QVERIFY(view() != first);
    QCOMPARE(view()->searchField()->text(), QString());
    QCOMPARE(view()->selected(), u"keys"_s);
    QTRY_VERIFY(!first);
    QCOMPARE(visibleWindowsTitled(u"OVS Cuemaster Help"_s), 1);
    QCOMPARE(window->size(), QSize(700, 500));

    window->windowHandle()->resize(500, 400);
    QTRY_COMPARE(window->width(), 500);
    OVHelpWindow::show(u"keys"_s);
    QCOMPARE(window->size(), QSize(900, 640));
    const QPoint screenCentre = window->screen()->availableGeometry().center();
    QVERIFY((window->frameGeometry().center() - screenCentre).manhattanLength() <= 2);
}

void TestOVWindows::noPages()
{
    OVHelpWindow::setPages({});
    OVHelpWindow::show();
    QCOMPARE(view()->selected(), QString());
    QVERIFY(!view()->shownPage());
    QVERIFY(pageTexts().isEmpty());
    view()->setSearch(u"mirror"_s);
    QVERIFY(view()->listedButtons().isEmpty());
}

void TestOVWindows::search_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("key"); // 0: none. Escape clears the search, no other key changes it.
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("selected");

    const QStringList mirror{u"overview"_s, u"quickstart"_s, u"rig"_s,   u"deck"_s,
                             u"keys"_s,     u"remote"_s,     u"tips"_s};
    const QStringList keys{u"keys"_s};
    QStringList all;
    for (const HelpPage &p : allPages())
        all << p.id;
    const QString script = u"script"_s;
    QTest::newRow("capitals and spaces") << u"  MIRROR  "_s << script << 0 << mirror << script;
    QTest::newRow("only in a key caption") << u"page down"_s << script << 0 << keys << script;
    QTest::newRow("title") << u"themes"_s << script << 0 << QStringList{u"look"_s} << script;
    QTest::newRow("blank is everything") << u"   "_s << script << 0 << all << script;
    QTest::newRow("up at the top stays")
        << QString() << u"overview"_s << int(Qt::Key_Up) << all << u"overview"_s;
    QTest::newRow("down at the end stays")
        << QString() << u"about"_s << int(Qt::Key_Down) << all << u"about"_s;
    QTest::newRow("down among matches")
        << u"mirror"_s << u"rig"_s << int(Qt::Key_Down) << mirror << u"deck"_s;
    QTest::newRow("return opens the first match")
        << u"page down"_s << u"overview"_s << int(Qt::Key_Return) << keys << u"keys"_s;
    QTest::newRow("return on no match")
        << u"xylophone"_s << u"tips"_s << int(Qt::Key_Return) << QStringList{} << u"tips"_s;
    QTest::newRow("escape clears")
        << u"mirror"_s << u"tips"_s << int(Qt::Key_Escape) << all << u"tips"_s;
}

// Typing filters the list and leaves the page shown; arrows and Return move through the matches.
void TestOVWindows::search()
{
    QFETCH(QString, search);
    QFETCH(QString, start);
    QFETCH(int, key);

    OVHelpWindow::show(start);
    QSignalSpy changed(view(), &OVHelpView::searchChanged);
    QTest::keyClicks(view()->searchField(), search);
    QCOMPARE(changed.size(), search.size());
    if (key)
        QTest::keyClick(view()->searchField(), Qt::Key(key));
    QTEST(listedIds(), "listed");
    QTEST(view()->selected(), "selected");
    QCOMPARE(view()->search(), key == Qt::Key_Escape ? QString() : search);
    QVERIFY(pageTexts().contains(view()->shownPage()->title));
}

void TestOVWindows::pagesShowEveryText_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("whileOpen");
    QTest::newRow("zoom 1, usual width") << 1.0 << 900 << false;
    QTest::newRow("zoom 2, narrowest") << 2.0 << 640 << false;
    QTest::newRow("zoomed to 2 while open, usual width") << 2.0 << 900 << true;
}

// Every text of a page is shown, as plain text, steps in the order written. No two pieces lie
// on one another, and the page column scrolls rather than cut anything off, however little room
// the zoom leaves.
void TestOVWindows::pagesShowEveryText()
{
    QFETCH(double, zoom);
    QFETCH(int, width);
    QFETCH(bool, whileOpen);

    QList<HelpPage> pages = allPages();
    pages.append({u"markup"_s, u"<b>Markup</b>"_s, u"no.such.symbol"_s,
                  {HelpBlock::text(u"<i>not italic</i>"_s), HelpBlock::key(u"<"_s, u"&amp;"_s),
                   HelpBlock::control(QString(), QString()), HelpBlock::steps({})}});
    OVHelpWindow::setPages(pages);
    for (const HelpPage &page : std::as_const(pages)) {
        OVUI::shared()->setZoom(whileOpen ? 1.0 : zoom);
        OVHelpWindow::show(page.id);
        OVHelpWindow::window()->resize(width, 640);
        OVUI::shared()->setZoom(zoom);
        QCOMPARE(view()->selected(), page.id);
        QTest::qWait(0);
        QCoreApplication::processEvents();
        const QStringList texts = pageTexts();
        QVERIFY(texts.contains(page.title));
        qsizetype lastStep = -1;
        for (const HelpBlock &block : page.blocks) {
            for (const QString &s : block.strings) {
                QVERIFY2(texts.contains(s), qPrintable(s));
                if (block.kind == HelpBlock::Kind::Steps) {
                    QVERIFY2(texts.indexOf(s) > lastStep, qPrintable(s));
                    lastStep = texts.indexOf(s);
                }
            }
        }
        QWidget *content = view()->pageColumn()->widget();
        QList<QPair<QRect, QString>> leaves;
        for (QWidget *w : content->findChildren<QWidget *>()) {
            if (!w->isVisible() || !w->findChildren<QWidget *>().isEmpty())
                continue;
            const auto *label = qobject_cast<QLabel *>(w);
            QVERIFY(!label || label->textFormat() == Qt::PlainText);
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

// The tips name the folder the script is saved in, with the home folder written as ~.
void TestOVWindows::savedFolderInTheTips()
{
    const QList<HelpPage> pages = allPages();
    const QString saved = OVHelp::find(pages, u"tips"_s)->blocks[0].strings.last();
    QVERIFY(saved.startsWith(u"Your script is saved automatically in ~/"_s));
    QVERIFY(saved.endsWith(u"/Orvelle Software/Cuemaster."_s));
}

void TestOVWindows::keyCaptions_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("elsewhere");
    QTest::newRow("letter") << u"⌘L"_s << u"Ctrl+L"_s;
    QTest::newRow("return") << u"⌘↩"_s << u"Ctrl+Return"_s;
    QTest::newRow("spaced") << u"⌘ ="_s << u"Ctrl+="_s;
    QTest::newRow("several") << u"⌘= / ⌘− / ⌘0"_s << u"Ctrl+= / Ctrl+− / Ctrl+0"_s;
    QTest::newRow("in a sentence") << u"File > Import Script…, ⌘O)."_s
                                   << u"File > Import Script…, Ctrl+O)."_s;
    QTest::newRow("sign at the end") << u"press ⌘"_s << u"press Ctrl+"_s;
    QTest::newRow("arrow keys stay") << u"◀◀ / ⌃ / ▶ / ⌄"_s << u"◀◀ / ⌃ / ▶ / ⌄"_s;
}

// A Mac writes the Command sign; every other platform the key that does the work there.
void TestOVWindows::keyCaptions()
{
    QFETCH(QString, written);
    QTEST(OVHelp::forPlatform(written, false), "elsewhere");
    QCOMPARE(OVHelp::forPlatform(written, true), written);
}

// No page shows a key this keyboard does not have: every caption and sentence, on every page,
// and in the window.
void TestOVWindows::everyPageWritesThisPlatformsKeys()
{
    if (OVHelp::onMac)
        QSKIP("A Mac writes the Command sign.");
    const QList<HelpPage> pages = allPages();
    QStringList keyCaps;
    for (const HelpPage &page : pages) {
        for (const HelpBlock &block : page.blocks) {
            QVERIFY2(!QString(page.title + block.searchableText()).contains(u'⌘'),
                     qPrintable(page.id + u": "_s + block.searchableText()));
            if (block.kind == HelpBlock::Kind::Key)
                keyCaps << block.strings.first();
        }
    }
    QVERIFY(keyCaps.contains(u"Ctrl+= / Ctrl+− / Ctrl+0"_s));

    OVHelpWindow::setPages(pages);
    for (const HelpPage &page : pages) {
        OVHelpWindow::show(page.id);
        for (const QString &text : pageTexts())
            QVERIFY2(!text.contains(u'⌘'), qPrintable(page.id + u": "_s + text));
        // Written out, a caption may be wider than the usual column: the column widens for the
        // whole page, so the descriptions still start in one line.
        QSet<int> columns;
        for (const QWidget *w : view()->pageColumn()->widget()->findChildren<QWidget *>()) {
            if (keyCaps.contains(w->accessibleName()))
                columns << w->width();
        }
        QVERIFY2(columns.size() <= 1, qPrintable(page.id));
    }
}

void TestOVWindows::aboutVersionLine_data()
{
    QTest::addColumn<QString>("version"); // null: missing
    QTest::addColumn<QString>("build");
    QTest::addColumn<QString>("line");

    QTest::newRow("both") << u"2.3"_s << u"41"_s << u"Version 2.3 (build 41)"_s;
    QTest::newRow("no build") << u"2.3"_s << QString() << u"Version 2.3 (build -)"_s;
    QTest::newRow("no version") << QString() << u"7"_s << u"Version 1.0 (build 7)"_s;
    QTest::newRow("blank counts as missing") << u""_s << u"  "_s << u"Version 1.0 (build -)"_s;
}

void TestOVWindows::aboutVersionLine()
{
    QFETCH(QString, version);
    QFETCH(QString, build);
    QFETCH(QString, line);
    QCOMPARE(OVAbout::versionLine(given(version), given(build)), line);
}

// One About panel, reused with fresh content and room for any zoom, showing the version compiled in and an icon
// compiled into the library: never an empty square.
void TestOVWindows::oneAboutWindow()
{
    OVAbout::show(u"OVS Cuemaster"_s);
    QWidget *window = OVAbout::window();
    QPointer<OVAboutView> first = OVAbout::view();
    QVERIFY(window && first);
    const QString line = OVAbout::versionLine();
    const QRegularExpression form(u"^Version \\d+\\.\\d+(\\.\\d+)* \\(build \\S+\\)$"_s);
    QVERIFY2(line.contains(form), qPrintable(line));
    QCOMPARE(first->versionLabel()->text(), line);
    QCOMPARE(OVAbout::appIcon().pixmap(96).size(), QSize(96, 96));
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    OVAbout::show(u"OVS Cuemaster"_s);
    QCOMPARE(OVAbout::window(), window);
    QVERIFY(OVAbout::view() != first);
    QTRY_VERIFY(!first);
    QCOMPARE(visibleWindowsTitled(u"About OVS Cuemaster"_s), 1);
    QVERIFY(QTest::qWaitForWindowActive(window));
    // Nothing in the panel is focused, so the credit's link does not open underlined.
    QCOMPARE(QApplication::focusWidget(), OVAbout::view());

    // Closed, then opened at a large zoom or zoomed while open, it makes room; back at zoom 1 it
    // is its own size.
    window->close();
    OVUI::shared()->setZoom(2.0);
    OVAbout::show(u"Other"_s);
    QCOMPARE(OVAbout::window(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), u"About Other"_s);
    QCOMPARE(OVAbout::view()->nameLabel()->text(), u"Other"_s);
    const auto fits = [window] {
        const QSize needed = OVAbout::view()->minimumSizeHint();
        return window->width() >= needed.width() && window->height() >= needed.height();
    };
    QVERIFY(fits());
    QCOMPARE(window->minimumSize(), window->maximumSize());
    OVUI::shared()->setZoom(1.0);
    QTRY_COMPARE(window->size(), OVAbout::size);
    OVUI::shared()->setZoom(2.0);
    QTRY_VERIFY(fits());
}

QTEST_MAIN(TestOVWindows)
#include "tst_ovwindows.moc"
