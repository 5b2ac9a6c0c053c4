#include <engine/cmmath.h>
#include <engine/cmsettings.h>
#include <prompter/cmfontresolver.h>
#include <prompter/cmrowlayout.h>
#include <prompter/cmtextstyle.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using Source = CMFontResolver::Source;

class TestCMFontResolver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resolve_data();
    void resolve();
    void sevenChoicesLookDifferent();
};

void TestCMFontResolver::resolve_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Source>("source");
    QTest::addColumn<QString>("family"); // empty: the system font
    QTest::addColumn<bool>("bold");

    QTest::newRow("installed face") << u"URWGothic-Demi"_s << Source::Exact << u"URW Gothic"_s << true;
    QTest::newRow("bold sans") << u"HelveticaNeue-Bold"_s << Source::StandIn << u"Nimbus Sans"_s
                               << true;
    QTest::newRow("monospaced") << u"Menlo-Regular"_s << Source::StandIn << u"DejaVu Sans Mono"_s
                                << false;
    QTest::newRow("unknown") << u"NoSuchFace-Bold"_s << Source::System << QString() << true;
    QTest::newRow("letter case differs") << u"helveticaneue-bold"_s << Source::System << QString()
                                         << true;
}

void TestCMFontResolver::resolve()
{
    QFETCH(QString, name);
    QFETCH(Source, source);
    QFETCH(QString, family);
    QFETCH(bool, bold);
    const CMFontResolver::Resolved resolved = CMFontResolver::resolve(name);
    if (source == Source::StandIn && resolved.source == Source::Exact)
        QSKIP("the face itself is installed here");
    QCOMPARE(resolved.source, source);
    const QString expected = family.isEmpty()
        ? QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family()
        : family;
    const QFontInfo info(resolved.font);
    QVERIFY2(info.family().startsWith(expected), qPrintable(info.family()));
    QCOMPARE(info.weight() >= QFont::DemiBold, bold);

    // Whatever the name, spoken text is laid out at the size asked for.
    CMSettings settings;
    settings.fontName = name;
    const CMTextStyle style = CMTextStyle::fromSettings(settings);
    QCOMPARE(QFontInfo(style.spokenFont).pixelSize(), 72);
    QVERIFY(CMRowLayout::measure(CMRowKind::Spoken, u"Still readable"_s, style) > 72);
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

QTEST_MAIN(TestCMFontResolver)
#include "tst_cmfontresolver.moc"
