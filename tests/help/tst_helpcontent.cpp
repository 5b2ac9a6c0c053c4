#include <help/cmhelp.h>
#include <help/ovcommonhelp.h>

#include <QTest>

using namespace Qt::StringLiterals;

class TestHelpContent : public QObject
{
    Q_OBJECT

    QList<HelpPage> all() const
    {
        return CMHelp::pages() + OVCommonHelp::pages(u"OVS Cuemaster"_s);
    }

private Q_SLOTS:
    void pagesInOrder();
    void search_data();
    void search();
    void platformWording();
};

void TestHelpContent::pagesInOrder()
{
    QStringList ids;
    for (const HelpPage &p : all())
        ids << p.id;
    QCOMPARE(ids, (QStringList{u"overview"_s, u"quickstart"_s, u"script"_s, u"rig"_s, u"deck"_s,
                               u"keys"_s, u"tips"_s, u"look"_s, u"about"_s}));
    const QList<HelpPage> pages = all();
    const HelpPage *keys = OVHelp::find(pages, u"keys"_s);
    QVERIFY(keys);
    QCOMPARE(keys->blocks.size(), 14);
    QCOMPARE(keys->blocks[13].kind, HelpBlock::Kind::Tip);
    QCOMPARE(keys->blocks[0].strings[1],
             u"Start / stop (B and . are the \"blank screen\" keys on most presentation "
             u"clickers)"_s);
    QVERIFY(!OVHelp::find(pages, u"nope"_s));
}

void TestHelpContent::search_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("titles");
    const QStringList mirror{u"What Cuemaster Is"_s, u"Quick Start"_s, u"Rig Preview"_s,
                             u"Control Deck"_s, u"Keyboard & Remote"_s, u"Tips"_s};
    QTest::newRow("mirror") << u"mirror"_s << mirror;
    QTest::newRow("capitals and spaces") << u"  MIRROR \t"_s << mirror;
    QTest::newRow("only in a key caption") << u"page down"_s << QStringList{u"Keyboard & Remote"_s};
    QTest::newRow("title") << u"themes"_s << QStringList{u"Themes & Zoom"_s};
    QTest::newRow("nothing") << u"xylophone"_s << QStringList{};
    QTest::newRow("blank is everything") << u"   "_s
                                         << QStringList{u"What Cuemaster Is"_s, u"Quick Start"_s,
                                                        u"Script Desk"_s, u"Rig Preview"_s,
                                                        u"Control Deck"_s, u"Keyboard & Remote"_s,
                                                        u"Tips"_s, u"Themes & Zoom"_s,
                                                        u"About OVS"_s};
}

void TestHelpContent::search()
{
    QFETCH(QString, query);
    QFETCH(QStringList, titles);
    QStringList found;
    for (const HelpPage &p : OVHelp::filtered(all(), query))
        found << p.title;
    QCOMPARE(found, titles);
}

void TestHelpContent::platformWording()
{
    const QList<HelpPage> pages = all();
    const HelpPage *overview = OVHelp::find(pages, u"overview"_s);
    const QString text = overview->blocks[0].strings[0];
#ifdef Q_OS_MACOS
    QVERIFY(text.contains(u"your Mac"_s));
#else
    QVERIFY(text.startsWith(u"OVS Cuemaster turns your computer into a teleprompter."_s));
    QVERIFY(text.contains(u"on this computer or"_s));
#endif
    const HelpPage *tips = OVHelp::find(pages, u"tips"_s);
    const QString saved = tips->blocks[0].strings.last();
    QVERIFY(saved.startsWith(u"Your script is saved automatically in ~/"_s));
    QVERIFY(saved.endsWith(u"/Orvelle Software/Cuemaster."_s));
    const HelpPage *about = OVHelp::find(pages, u"about"_s);
    QCOMPARE(about->blocks[1].strings[0], u"Website: https://orvelle.example"_s);
}

QTEST_GUILESS_MAIN(TestHelpContent)
#include "tst_helpcontent.moc"
