#include <kit/ovgeometry.h>
#include <kit/ovsurfaces.h>
#include <kit/ovsymbols.h>

#include <QFile>
#include <QFontDatabase>
#include <QRawFont>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

using Bars = QList<BrushedLines::Bar>;
Q_DECLARE_METATYPE(Bars)

class TestOVGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void surfaces_data();
    void surfaces();
    void orb_data();
    void orb();
    void orbHitsOnlyItsCircle_data();
    void orbHitsOnlyItsCircle();
    void knob_data();
    void knob();
    void knobFraction_data();
    void knobFraction();
    void knobDrag_data();
    void knobDrag();
    void chromeButton_data();
    void chromeButton();
    void chromeButtonPressedLook();
    void switchThumb();
    void segmentsShareTheWidth_data();
    void segmentsShareTheWidth();
    void segmentHitsItsCapsule_data();
    void segmentHitsItsCapsule();
    void brushedLines_data();
    void brushedLines();
    void symbolsHaveGlyphs();
};

void TestOVGeometry::surfaces_data()
{
    QTest::addColumn<qreal>("zoom");
    QTest::addColumn<qreal>("radius");
    QTest::addColumn<qreal>("padding");
    QTest::addColumn<qreal>("shadowBlur");
    QTest::addColumn<qreal>("shadowDown");
    QTest::addColumn<qreal>("wellRim");

    // A panel of radius 10 and padding 12; a well's rim and inner-shadow inset.
    QTest::newRow("zoom 1") << 1.0 << 10.0 << 12.0 << 8.0 << 3.0 << 2.0;
    QTest::newRow("zoom 1.5") << 1.5 << 15.0 << 18.0 << 12.0 << 4.5 << 3.0;
    QTest::newRow("zoom 2") << 2.0 << 20.0 << 24.0 << 16.0 << 6.0 << 4.0;
}

void TestOVGeometry::surfaces()
{
    QFETCH(qreal, zoom);
    QFETCH(qreal, radius);
    QFETCH(qreal, padding);
    QFETCH(qreal, shadowBlur);
    QFETCH(qreal, shadowDown);
    QFETCH(qreal, wellRim);
    const OVPanelGeometry panel = OVPanelGeometry::at(10, 12, zoom);
    QCOMPARE(panel.radius, radius);
    QCOMPARE(panel.padding, padding);
    QCOMPARE(panel.shadowBlur, shadowBlur);
    QCOMPARE(panel.shadowOffsetY, shadowDown);
    const OVWellGeometry well = OVWellGeometry::at(14, zoom);
    QCOMPARE(well.radius, 14 * zoom);
    QCOMPARE(well.rimWidth, wellRim);
    QCOMPARE(well.innerShadowInset, wellRim);
}

void TestOVGeometry::orb_data()
{
    QTest::addColumn<qreal>("size");
    QTest::addColumn<qreal>("zoom");
    QTest::addColumn<qreal>("diameter");
    QTest::addColumn<qreal>("face");
    QTest::addColumn<qreal>("symbol");
    QTest::addColumn<qreal>("glow");

    QTest::newRow("44 at 1.25") << 44.0 << 1.25 << 55.0 << 41.8 << 19.8 << 8.75;
    QTest::newRow("34 at 1") << 34.0 << 1.0 << 34.0 << 25.84 << 12.24 << 7.0;
    QTest::newRow("54 at 2") << 54.0 << 2.0 << 108.0 << 82.08 << 38.88 << 14.0;
}

void TestOVGeometry::orb()
{
    QFETCH(qreal, size);
    QFETCH(qreal, zoom);
    QFETCH(qreal, diameter);
    QFETCH(qreal, face);
    QFETCH(qreal, symbol);
    QFETCH(qreal, glow);
    const OVOrbGeometry g = OVOrbGeometry::at(size, zoom);
    QCOMPARE(g.diameter, diameter);
    QCOMPARE(g.faceDiameter, face);
    QCOMPARE(g.face().center(), QPointF(diameter / 2, diameter / 2));
    QCOMPARE(g.symbolSize, symbol);
    QCOMPARE(g.litGlowBlur, glow);
    QCOMPARE(g.shadowBlur, 3 * zoom);
    QCOMPARE(g.shadowOffsetY, 2 * zoom);
    // The highlight: 0.62 d by 0.3 d, centred 0.22 d above the centre.
    QCOMPARE(g.highlight.size(), QSizeF(0.62 * diameter, 0.3 * diameter));
    QCOMPARE(g.highlight.center(), QPointF(diameter / 2, diameter / 2 - 0.22 * diameter));
}

void TestOVGeometry::orbHitsOnlyItsCircle_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<bool>("hits");

    QTest::newRow("centre") << QPointF(27.5, 27.5) << true;
    QTest::newRow("top edge") << QPointF(27.5, 0.5) << true;
    QTest::newRow("top-left corner") << QPointF(2, 2) << false;
    QTest::newRow("bottom-right corner") << QPointF(53, 53) << false;
    QTest::newRow("just inside the rim") << QPointF(27.5 + 27 / std::sqrt(2.0), 27.5 + 27 / std::sqrt(2.0)) << true;
}

void TestOVGeometry::orbHitsOnlyItsCircle()
{
    QFETCH(QPointF, point);
    QFETCH(bool, hits);
    QCOMPARE(OVOrbGeometry::at(44, 1.25).hits(point), hits);
}

void TestOVGeometry::knob_data()
{
    QTest::addColumn<qreal>("size");
    QTest::addColumn<qreal>("zoom");
    QTest::addColumn<qreal>("dial");
    QTest::addColumn<qreal>("track");
    QTest::addColumn<qreal>("cap");

    QTest::newRow("64 at 1.25") << 64.0 << 1.25 << 80.0 << 7.2 << 54.4;
    QTest::newRow("58 at 1") << 58.0 << 1.0 << 58.0 << 5.22 << 39.44;
    QTest::newRow("58 at 2") << 58.0 << 2.0 << 116.0 << 10.44 << 78.88;
}

void TestOVGeometry::knob()
{
    QFETCH(qreal, size);
    QFETCH(qreal, zoom);
    QFETCH(qreal, dial);
    QFETCH(qreal, track);
    QFETCH(qreal, cap);
    const OVKnobGeometry g = OVKnobGeometry::at(size, zoom);
    QCOMPARE(g.diameter, dial);
    QCOMPARE(g.trackWidth, track);
    QCOMPARE(g.capDiameter, cap);
    QCOMPARE(g.sheenDiameter, 0.6 * dial);
    QCOMPARE(g.glowBlur, 0.08 * dial);
    QCOMPARE(g.spacing, 4 * zoom);
    // The pointer: 0.06 d by 0.2 d, its centre 0.22 d above the dial's centre.
    QCOMPARE(g.pointer.size(), QSizeF(0.06 * dial, 0.2 * dial));
    QCOMPARE(g.pointer.center(), QPointF(0, -0.22 * dial));
    // Half the track and the whole glow lie outside the dial's square.
    QVERIFY(g.overreach() >= track / 2 + 1.5 * g.glowBlur);
}

void TestOVGeometry::knobFraction_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("fraction");
    QTest::addColumn<double>("angle");

    const double nan = std::nan("");
    QTest::newRow("minimum points to 7:30") << 0.0 << 0.0 << 100.0 << 0.0 << -135.0;
    QTest::newRow("middle points up") << 50.0 << 0.0 << 100.0 << 0.5 << 0.0;
    QTest::newRow("maximum points to 4:30") << 100.0 << 0.0 << 100.0 << 1.0 << 135.0;
    QTest::newRow("offset range") << 0.33 << 0.1 << 0.7 << 0.23 / 0.6 << 270 * 0.23 / 0.6 - 135;
    QTest::newRow("above the range is full") << 150.0 << 0.0 << 100.0 << 1.0 << 135.0;
    QTest::newRow("below the range is empty") << -5.0 << 0.0 << 100.0 << 0.0 << -135.0;
    QTest::newRow("equal bounds") << 5.0 << 5.0 << 5.0 << 0.0 << -135.0;
    QTest::newRow("not a number") << nan << 0.0 << 1.0 << 0.0 << -135.0;
}

void TestOVGeometry::knobFraction()
{
    QFETCH(double, value);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, fraction);
    QFETCH(double, angle);
    const double f = OVKnobMath::fraction(value, lower, upper);
    QCOMPARE(f, fraction);
    QCOMPARE(OVKnobMath::pointerAngle(f) + 1000, angle + 1000);
}

void TestOVGeometry::knobDrag_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("dy");
    QTest::addColumn<double>("expected");

    QTest::newRow("half the travel up") << 50.0 << 0.0 << 100.0 << -90.0 << 100.0;
    QTest::newRow("half the travel down") << 50.0 << 0.0 << 100.0 << 90.0 << 0.0;
    QTest::newRow("beyond the top") << 50.0 << 0.0 << 100.0 << -200.0 << 100.0;
    QTest::newRow("no movement") << 50.0 << 0.0 << 100.0 << 0.0 << 50.0;
    QTest::newRow("small range") << 1.6 << 1.0 << 2.2 << -18.0 << 1.72;
    QTest::newRow("equal bounds") << 7.0 << 5.0 << 5.0 << -40.0 << 5.0;
    QTest::newRow("outside the range is clamped") << 150.0 << 0.0 << 100.0 << 0.0 << 100.0;
    QTest::newRow("not-a-number start") << std::nan("") << 2.0 << 4.0 << -90.0 << 3.0;
}

void TestOVGeometry::knobDrag()
{
    QFETCH(double, start);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, dy);
    QFETCH(double, expected);
    QCOMPARE(OVKnobMath::dragged(start, lower, upper, dy), expected);
}

void TestOVGeometry::chromeButton_data()
{
    QTest::addColumn<bool>("compact");
    QTest::addColumn<qreal>("zoom");
    QTest::addColumn<qreal>("font");
    QTest::addColumn<qreal>("across");
    QTest::addColumn<qreal>("above");

    QTest::newRow("compact at 1") << true << 1.0 << 11.0 << 10.0 << 4.0;
    QTest::newRow("compact at 2") << true << 2.0 << 22.0 << 20.0 << 8.0;
    QTest::newRow("regular at 1") << false << 1.0 << 12.5 << 16.0 << 7.0;
    QTest::newRow("regular at 1.5") << false << 1.5 << 18.75 << 24.0 << 10.5;
}

void TestOVGeometry::chromeButton()
{
    QFETCH(bool, compact);
    QFETCH(qreal, zoom);
    QFETCH(qreal, font);
    QFETCH(qreal, across);
    QFETCH(qreal, above);
    const OVChromeButtonGeometry g = OVChromeButtonGeometry::at(compact, zoom);
    QCOMPARE(g.fontSize, font);
    QCOMPARE(g.paddingX, across);
    QCOMPARE(g.paddingY, above);
    QCOMPARE(g.glowBlur, 8 * zoom);
}

void TestOVGeometry::chromeButtonPressedLook()
{
    const OVChromeButtonLook up = OVChromeButtonLook::of(false);
    const OVChromeButtonLook down = OVChromeButtonLook::of(true);
    QVERIFY(!up.chromeFill && down.chromeFill);
    QCOMPARE(up.sheenOpacity, 0.45);
    QCOMPARE(down.sheenOpacity, 0.05);
    QCOMPARE(up.scale, 1.0);
    QCOMPARE(down.scale, 0.97);
    // The drop shadow tightens, at every zoom alike.
    QCOMPARE(QPointF(up.shadowBlur, up.shadowOffsetY), QPointF(3, 2));
    QCOMPARE(QPointF(down.shadowBlur, down.shadowOffsetY), QPointF(1, 0.5));
    QCOMPARE(up.glowOpacity, 0.45);
    QCOMPARE(down.glowOpacity, 0.2);
}

void TestOVGeometry::switchThumb()
{
    const OVSwitchGeometry g = OVSwitchGeometry::at(2);
    QCOMPARE(QSizeF(g.trackWidth, g.trackHeight), QSizeF(68, 36));
    QCOMPARE(g.thumbDiameter, 30.0);
    QCOMPARE(g.spacing, 16.0);
    // The thumb's outer edge sits 1.5 z inside the track's end, off and on.
    QCOMPARE(g.thumbX(0), 3.0);
    QCOMPARE(g.thumbX(1) + g.thumbDiameter, 68.0 - 3.0);
    QCOMPARE(g.thumbX(0.5), (3.0 + 35.0) / 2);
}

void TestOVGeometry::segmentsShareTheWidth_data()
{
    QTest::addColumn<qreal>("width");
    QTest::addColumn<int>("count");
    QTest::addColumn<qreal>("zoom");

    QTest::newRow("three in a wide area") << 600.0 << 3 << 1.0;
    QTest::newRow("countdown at 210") << 210.0 << 4 << 1.0;
    QTest::newRow("countdown at 1.5") << 315.0 << 4 << 1.5;
    QTest::newRow("one") << 100.0 << 1 << 1.0;
}

void TestOVGeometry::segmentsShareTheWidth()
{
    QFETCH(qreal, width);
    QFETCH(int, count);
    QFETCH(qreal, zoom);
    const OVSegmentGeometry g = OVSegmentGeometry::at(zoom);
    const QRectF bounds(0, 0, width, 30 * zoom);
    const QList<QRectF> rects = g.segments(bounds, count);
    QCOMPARE(rects.size(), count);
    QCOMPARE(rects.first().left(), 3 * zoom);
    QCOMPARE(rects.last().right(), width - 3 * zoom);
    for (int i = 0; i < count; ++i) {
        QCOMPARE(rects[i].width(), rects.first().width());
        QCOMPARE(rects[i].top(), 3 * zoom);
        QCOMPARE(rects[i].height(), 24 * zoom);
        if (i > 0)
            QCOMPARE(rects[i].left() - rects[i - 1].right(), 3 * zoom);
    }
    QVERIFY(g.segments(bounds, 0).isEmpty());
}

void TestOVGeometry::segmentHitsItsCapsule_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<int>("segment");

    // Three segments of 194 × 24 at x = 3, 200 and 397, y = 3.
    QTest::newRow("first") << QPointF(100, 15) << 0;
    QTest::newRow("last") << QPointF(500, 15) << 2;
    QTest::newRow("gap between") << QPointF(198.5, 15) << -1;
    QTest::newRow("rounded corner") << QPointF(4, 4) << -1;
    QTest::newRow("padding") << QPointF(100, 1) << -1;
}

void TestOVGeometry::segmentHitsItsCapsule()
{
    QFETCH(QPointF, point);
    QFETCH(int, segment);
    QCOMPARE(OVSegmentGeometry::at(1).segmentAt(QRectF(0, 0, 594, 30), 3, point), segment);
}

void TestOVGeometry::brushedLines_data()
{
    QTest::addColumn<qreal>("height");
    QTest::addColumn<Bars>("bars");

    QTest::newRow("5 high") << 5.0 << Bars{{0, 0}, {1.6, 2.0 / 13}, {3.2, 4.0 / 13}, {4.8, 6.0 / 13}};
    QTest::newRow("4.8 high") << 4.8 << Bars{{0, 0}, {1.6, 2.0 / 13}, {3.2, 4.0 / 13}};
    QTest::newRow("empty") << 0.0 << Bars{};
    QTest::newRow("negative") << -3.0 << Bars{};
}

void TestOVGeometry::brushedLines()
{
    QFETCH(qreal, height);
    QFETCH(Bars, bars);
    const Bars got = BrushedLines::bars(height);
    QCOMPARE(got.size(), bars.size());
    for (int i = 0; i < bars.size(); ++i) {
        QCOMPARE(got[i].top + 1, bars[i].top + 1);
        QCOMPARE(got[i].opacity + 1, bars[i].opacity + 1);
    }
}

void TestOVGeometry::symbolsHaveGlyphs()
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
        QVERIFY2(OVSymbols::names().contains(name), qPrintable(name));
        const QString glyph = OVSymbols::glyph(name);
        QCOMPARE(glyph.size(), 1);
        // The installed icon font must really draw it, not show a blank box.
        QVERIFY2(raw.supportsCharacter(glyph.at(0)), qPrintable(name));
    }
    QVERIFY(OVSymbols::glyph(u"no.such.symbol"_s).isEmpty());
    QVERIFY(OVSymbols::icon(u"no.such.symbol"_s, 16, Qt::white).isNull());
    QVERIFY(!OVSymbols::icon(u"play.fill"_s, 16, Qt::white).isNull());
}

QTEST_MAIN(TestOVGeometry)
#include "tst_ovgeometry.moc"
