#include <engine/cmmath.h>
#include <engine/cmsettings.h>
#include <prompter/cmfontresolver.h>
#include <prompter/cmrowlayout.h>
#include <prompter/cmtextstyle.h>

#include <QFontInfo>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCMFontResolver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exactFaceByPostScriptName_data();
    void exactFaceByPostScriptName();
    void standIns_data();
    void standIns();
    void sevenChoicesLookDifferent();
    void unknownNameFallsBackToBoldSystemFont_data();
    void unknownNameFallsBackToBoldSystemFont();
};

void TestCMFontResolver::exactFaceByPostScriptName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("weight");
    QTest::newRow("bold") << u"LiberationSans-Bold"_s << u"Liberation Sans"_s << int(QFont::Bold);
    QTest::newRow("regular") << u"LiberationSans"_s << u"Liberation Sans"_s << int(QFont::Normal);
    QTest::newRow("demi") << u"URWGothic-Demi"_s << u"URW Gothic"_s << int(QFont::DemiBold);
}

void TestCMFontResolver::exactFaceByPostScriptName()
{
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(int, weight);
    const CMFontResolver::Resolved resolved = CMFontResolver::resolve(name);
    QCOMPARE(resolved.source, CMFontResolver::Source::Exact);
    const QFontInfo info(resolved.font);
    QVERIFY2(info.family().startsWith(family), qPrintable(info.family()));
    QCOMPARE(info.weight(), weight);
}

void TestCMFontResolver::standIns_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("bold");
    QTest::newRow("Helvetica Neue Bold") << u"HelveticaNeue-Bold"_s << u"Nimbus Sans"_s << true;
    QTest::newRow("Helvetica Neue") << u"HelveticaNeue"_s << u"Nimbus Sans"_s << false;
    QTest::newRow("Arial Bold") << u"Arial-BoldMT"_s << u"Liberation Sans"_s << true;
    QTest::newRow("Verdana Bold") << u"Verdana-Bold"_s << u"DejaVu Sans"_s << true;
    QTest::newRow("Avenir Next") << u"AvenirNext-DemiBold"_s << u"URW Gothic"_s << true;
    QTest::newRow("Georgia") << u"Georgia"_s << u"C059"_s << false;
    QTest::newRow("Menlo") << u"Menlo-Regular"_s << u"DejaVu Sans Mono"_s << false;
}

void TestCMFontResolver::standIns()
{
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(bool, bold);
    const CMFontResolver::Resolved resolved = CMFontResolver::resolve(name);
    if (resolved.source == CMFontResolver::Source::Exact)
        QSKIP("the face itself is installed here");
    QCOMPARE(resolved.source, CMFontResolver::Source::StandIn);
    const QFontInfo info(resolved.font);
    QVERIFY2(info.family().startsWith(family), qPrintable(info.family()));
    QCOMPARE(info.weight() >= QFont::DemiBold, bold);
}

void TestCMFontResolver::sevenChoicesLookDifferent()
{
    QSet<QString> faces;
    for (const CMMath::FontChoice &choice : CMMath::fonts()) {
        const QFontInfo info(CMFontResolver::resolve(choice.name).font);
        faces.insert(info.family() + u'/' + info.styleName());
    }
    QCOMPARE(faces.size(), 7);
}

void TestCMFontResolver::unknownNameFallsBackToBoldSystemFont_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("unknown") << u"NoSuchFace-Bold"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("letter case differs") << u"helveticaneue-bold"_s;
}

void TestCMFontResolver::unknownNameFallsBackToBoldSystemFont()
{
    QFETCH(QString, name);
    const CMFontResolver::Resolved resolved = CMFontResolver::resolve(name);
    QCOMPARE(resolved.source, CMFontResolver::Source::System);
    QCOMPARE(resolved.font.weight(), QFont::Bold);

    CMSettings settings;
    settings.fontName = name;
    const CMTextStyle style = CMTextStyle::fromSettings(settings, 1459.2);
    QCOMPARE(QFontInfo(style.spokenFont).pixelSize(), 72);
    QVERIFY(CMRowLayout::measure(CMRowKind::Spoken, u"Still readable"_s, style) > 72);
}

QTEST_MAIN(TestCMFontResolver)
#include "tst_cmfontresolver.moc"
