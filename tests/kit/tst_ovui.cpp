#include <testsupport.h>
#include <store/cmsettingsfile.h>
#include <kit/ovfonts.h>
#include <kit/ovgeometry.h>
#include <kit/ovsymbols.h>
#include <kit/ovtheme.h>
#include <kit/ovtime.h>
#include <kit/ovui.h>

#include <QRawFont>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <cmath>
#include <limits>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// What reached the settings file.
QVariant stored(const QString &key)
{
    CMSettingsFile::shared().flush();
    return QSettings().value(key);
}

const QString themeKey = u"ovs.ui.theme"_s;
const QString zoomKey = u"ovs.ui.zoom"_s;
const double inf = std::numeric_limits<double>::infinity();

// Sizes are logical pixels: Qt points at the tests' 96 DPI are 4/3 of a pixel.
double pixels(const QFont &font)
{
    return font.pointSizeF() * 96 / 72;
}

} // namespace

// The kit's values: themes, zoom, fonts, the clock, the controls' geometry and the symbols.
class TestOVUI : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void zoomSteps_data();
    void zoomSteps();
    void startUp_data();
    void startUp();
    void choicesAreStoredAtOnce();
    void fontsFollowZoom();
    void clock_data();
    void clock();
    void knobMath_data();
    void knobMath();
    void segments();
    void symbolsHaveGlyphs();
};

void TestOVUI::init()
{
    cmtest::clearSettings();
    OVUI::shared()->restore();
}

void TestOVUI::zoomSteps_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<double>("in");
    QTest::addColumn<double>("out");

    QTest::newRow("actual size") << 1.0 << 1.1 << 0.9;
    QTest::newRow("largest stays") << 2.0 << 2.0 << 1.75;
    QTest::newRow("smallest stays") << 0.85 << 0.9 << 0.85;
    QTest::newRow("restored off the ladder") << 1.23 << 1.25 << 1.1;
}

void TestOVUI::zoomSteps()
{
    QFETCH(double, from);
    OVUI *ui = OVUI::shared();
    ui->setZoom(from);
    ui->zoomIn();
    QTEST(ui->zoom(), "in");
    ui->setZoom(from);
    ui->zoomOut();
    QTEST(ui->zoom(), "out");
}

void TestOVUI::startUp_data()
{
    QTest::addColumn<QVariant>("theme");
    QTest::addColumn<QVariant>("zoom");
    QTest::addColumn<QString>("expectedTheme");
    QTest::addColumn<double>("expectedZoom");

    const QString first = u"gunmetal-blue"_s;
    QTest::newRow("first launch") << QVariant() << QVariant() << first << 1.0;
    QTest::newRow("stored theme") << QVariant(u"graphite-gray"_s) << QVariant()
                                  << u"graphite-gray"_s << 1.0;
    QTest::newRow("unknown theme") << QVariant(u"sepia"_s) << QVariant(1.5) << first << 1.5;
    QTest::newRow("rounded, not snapped") << QVariant() << QVariant(1.234) << first << 1.23;
    QTest::newRow("rounds to 0.01, then clamped") << QVariant() << QVariant(0.005) << first << 0.85;
    QTest::newRow("not a number") << QVariant() << QVariant(std::nan("")) << first << 1.0;
    QTest::newRow("infinite") << QVariant() << QVariant(inf) << first << 2.0;
    QTest::newRow("zoom as text") << QVariant() << QVariant(u"1.75"_s) << first << 1.75;
    QTest::newRow("zoom unreadable") << QVariant() << QVariant(u"large"_s) << first << 1.0;
}

void TestOVUI::startUp()
{
    QFETCH(QVariant, theme);
    QFETCH(QVariant, zoom);
    {
        QSettings settings;
        if (theme.isValid())
            settings.setValue(themeKey, theme);
        if (zoom.isValid())
            settings.setValue(zoomKey, zoom);
    }
    OVUI *ui = OVUI::shared();
    ui->restore();
    QTEST(ui->theme().id, "expectedTheme");
    QTEST(ui->zoom(), "expectedZoom");

    // Nothing is written back at start-up: an unknown id stays until the user picks a theme.
    const QSettings settings;
    QCOMPARE(settings.value(themeKey), theme.isValid() ? QVariant(theme.toString()) : QVariant());
    QCOMPARE(settings.contains(zoomKey), zoom.isValid());
}

void TestOVUI::choicesAreStoredAtOnce()
{
    OVUI *ui = OVUI::shared();
    QSignalSpy themeSpy(ui, &OVUI::themeChanged);
    QSignalSpy changedSpy(ui, &OVUI::changed);

    ui->setThemeId(u"rose-gold"_s);
    ui->setThemeId(u"rose-gold"_s);
    QCOMPARE(stored(themeKey).toString(), u"rose-gold"_s);
    QCOMPARE(themeSpy.count(), 1);
    ui->setThemeId(u"no-such-theme"_s);
    QCOMPARE(ui->theme().id, u"gunmetal-blue"_s);
    QCOMPARE(stored(themeKey).toString(), u"gunmetal-blue"_s);
    QCOMPARE(changedSpy.count(), 2);

    ui->zoomIn();
    QCOMPARE(stored(zoomKey).toDouble(), 1.1);

    // A zoom that is not a positive number is refused without a word.
    ui->setZoom(1.5);
    QSignalSpy zoomSpy(ui, &OVUI::zoomChanged);
    for (double bad : {0.0, -1.0, std::nan(""), inf})
        ui->setZoom(bad);
    QCOMPARE(ui->zoom(), 1.5);
    QCOMPARE(zoomSpy.count(), 0);
}

void TestOVUI::fontsFollowZoom()
{
    OVUI *ui = OVUI::shared();
    ui->setZoom(1.25);
    QWidget editor;
    ovBindFont(&editor, 14, QFont::Medium);
    QCOMPARE(pixels(editor.font()), 17.5);
    ui->zoomIn();
    QCOMPARE(pixels(editor.font()), 19.6);
}

void TestOVUI::clock_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("tenths");
    QTest::addColumn<QString>("expected");

    QTest::newRow("negative, tenths") << -1.0 << true << u"0:00.0"_s;
    QTest::newRow("not a number") << std::nan("") << true << u"0:00.0"_s;
    QTest::newRow("infinite") << inf << false << u"0:00"_s;
    QTest::newRow("never rounds up, tenths") << 59.99 << true << u"0:59.9"_s;
    QTest::newRow("padded seconds") << 61.25 << true << u"1:01.2"_s;
    QTest::newRow("exact tenth") << 0.3 << true << u"0:00.3"_s;
    QTest::newRow("one hour") << 3600.0 << false << u"1:00:00"_s;
    QTest::newRow("hours, tenths") << 3725.5 << true << u"1:02:05.5"_s;
    QTest::newRow("beyond any clock") << 1e300 << false << u"277777777777:46:40"_s;
}

void TestOVUI::clock()
{
    QFETCH(double, seconds);
    QFETCH(bool, tenths);
    QTEST(OVTime::clock(seconds, tenths), "expected");
}

void TestOVUI::knobMath_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("fraction");
    QTest::addColumn<double>("angle");

    QTest::newRow("minimum points to 7:30") << 0.0 << 0.0 << 100.0 << 0.0 << -135.0;
    QTest::newRow("middle points up") << 50.0 << 0.0 << 100.0 << 0.5 << 0.0;
    QTest::newRow("maximum points to 4:30") << 100.0 << 0.0 << 100.0 << 1.0 << 135.0;
    QTest::newRow("above the range is full") << 150.0 << 0.0 << 100.0 << 1.0 << 135.0;
    QTest::newRow("equal bounds") << 5.0 << 5.0 << 5.0 << 0.0 << -135.0;
    QTest::newRow("not a number") << std::nan("") << 0.0 << 1.0 << 0.0 << -135.0;
}

void TestOVUI::knobMath()
{
    QFETCH(double, value);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, angle);
    const double f = OVKnobMath::fraction(value, lower, upper);
    QTEST(f, "fraction");
    QCOMPARE(OVKnobMath::pointerAngle(f) + 1000, angle + 1000);
    // A drag from no value at all starts at the bottom.
    QCOMPARE(OVKnobMath::dragged(std::nan(""), 2, 4, -90), 3.0);
}

// Equal segments, equal gaps, and the same margin at both ends, at any zoom.
void TestOVUI::segments()
{
    for (const auto &[width, count, zoom] :
         {std::tuple(600.0, 3, 1.0), std::tuple(315.0, 4, 1.5)}) {
        const OVSegmentGeometry g = OVSegmentGeometry::at(zoom);
        const QRectF bounds(0, 0, width, 30 * zoom);
        const QList<QRectF> rects = g.segments(bounds, count);
        QCOMPARE(rects.size(), count);
        QCOMPARE(rects.last().right(), width - rects.first().left());
        for (int i = 1; i < count; ++i) {
            QCOMPARE(rects[i].size(), rects.first().size());
            QCOMPARE(rects[i].left() - rects[i - 1].right(), rects.first().left());
        }
        QVERIFY(g.segments(bounds, 0).isEmpty());
    }
    // Inside a segment's rectangle but off its rounded capsule hits nothing.
    for (const auto &[point, segment] :
         {std::pair(QPointF(100, 15), 0), std::pair(QPointF(4, 4), -1),
          std::pair(QPointF(100, 1), -1)})
        QCOMPARE(OVSegmentGeometry::at(1).segmentAt(QRectF(0, 0, 594, 30), 3, point), segment);
}

void TestOVUI::symbolsHaveGlyphs()
{
    // Every symbol name the interface uses.
    const QStringList used = {
        u"backward.end.fill"_s, u"bolt.fill"_s, u"character.cursor.ibeam"_s, u"chevron.down"_s,
        u"chevron.up"_s, u"dial.medium.fill"_s, u"display"_s, u"doc.text"_s,
        u"dot.radiowaves.left.and.right"_s, u"ellipsis.circle"_s, u"info.circle.fill"_s,
        u"keyboard"_s, u"lightbulb.fill"_s, u"paintpalette.fill"_s, u"pause.fill"_s,
        u"play.fill"_s, u"square.and.arrow.down"_s, u"square.and.arrow.up"_s,
        u"stop.circle.fill"_s, u"text.viewfinder"_s};
    QVERIFY(OVSymbols::available());
    const QRawFont raw = QRawFont::fromFont(OVSymbols::font(24));
    QVERIFY(raw.isValid());
    for (const QString &name : used) {
        const QString glyph = OVSymbols::glyph(name);
        QCOMPARE(glyph.size(), 1);
        // The installed icon font must really draw it, not show a blank box.
        QVERIFY2(raw.supportsCharacter(glyph.at(0)), qPrintable(name));
    }
    QVERIFY(OVSymbols::glyph(u"no.such.symbol"_s).isEmpty());
    QVERIFY(OVSymbols::icon(u"no.such.symbol"_s, 16, Qt::white).isNull());
    QVERIFY(!OVSymbols::icon(u"play.fill"_s, 16, Qt::white).isNull());
}

QTEST_MAIN(TestOVUI)
#include "tst_ovui.moc"
