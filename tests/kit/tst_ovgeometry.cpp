#include <kit/ovgeometry.h>
#include <kit/ovsurfaces.h>
#include <kit/ovsymbols.h>

#include <QRawFont>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

using Bars = QList<BrushedLines::Bar>;
Q_DECLARE_METATYPE(Bars)

class TestOVGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scaledByZoom();
    void knobMath_data();
    void knobMath();
    void switchThumbStaysInItsTrack();
    void segmentsShareTheWidth_data();
    void segmentsShareTheWidth();
    void segmentHitsItsCapsule_data();
    void segmentHitsItsCapsule();
    void brushedLines_data();
    void brushedLines();
    void symbolsHaveGlyphs();
};

void TestOVGeometry::scaledByZoom()
{
    const OVPanelGeometry panel = OVPanelGeometry::at(10, 12, 1.5);
    QCOMPARE(QPointF(panel.radius, panel.padding), QPointF(15, 18));

    const OVOrbGeometry orb = OVOrbGeometry::at(44, 1.25);
    QCOMPARE(orb.diameter, 55.0);
    QCOMPARE(orb.faceDiameter, 41.8);
    QCOMPARE(orb.face().center(), QPointF(27.5, 27.5));
    QCOMPARE(orb.symbolSize, 19.8);

    const OVKnobGeometry knob = OVKnobGeometry::at(64, 1.25);
    QCOMPARE(knob.diameter, 80.0);
    QCOMPARE(knob.trackWidth, 7.2);
    QCOMPARE(knob.capDiameter, 54.4);
    QCOMPARE(knob.pointer.center(), QPointF(0, -17.6));
}

void TestOVGeometry::knobMath_data()
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
    QTest::newRow("below the range is empty") << -5.0 << 0.0 << 100.0 << 0.0 << -135.0;
    QTest::newRow("equal bounds") << 5.0 << 5.0 << 5.0 << 0.0 << -135.0;
    QTest::newRow("not a number") << std::nan("") << 0.0 << 1.0 << 0.0 << -135.0;
}

void TestOVGeometry::knobMath()
{
    QFETCH(double, value);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, fraction);
    QFETCH(double, angle);
    const double f = OVKnobMath::fraction(value, lower, upper);
    QCOMPARE(f, fraction);
    QCOMPARE(OVKnobMath::pointerAngle(f) + 1000, angle + 1000);
    // A drag without movement lands where the pointer shows; one from nowhere starts at the bottom.
    QCOMPARE(OVKnobMath::dragged(value, lower, upper, 0), lower + f * (upper - lower));
    QCOMPARE(OVKnobMath::dragged(std::nan(""), 2, 4, -90), 3.0);
}

void TestOVGeometry::switchThumbStaysInItsTrack()
{
    const OVSwitchGeometry g = OVSwitchGeometry::at(2);
    QCOMPARE(g.thumbX(0), 3.0);
    QCOMPARE(g.thumbX(1) + g.thumbDiameter, g.trackWidth - 3.0);
    QCOMPARE(g.thumbX(2), g.thumbX(1));
}

void TestOVGeometry::segmentsShareTheWidth_data()
{
    QTest::addColumn<qreal>("width");
    QTest::addColumn<int>("count");
    QTest::addColumn<qreal>("zoom");

    QTest::newRow("three in a wide area") << 600.0 << 3 << 1.0;
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
    QTest::newRow("inside") << QPointF(100, 15) << 0;
    QTest::newRow("rounded corner") << QPointF(4, 4) << -1;
    QTest::newRow("padding") << QPointF(100, 1) << -1;
}

void TestOVGeometry::segmentHitsItsCapsule()
{
    QFETCH(QPointF, point);
    QTEST(OVSegmentGeometry::at(1).segmentAt(QRectF(0, 0, 594, 30), 3, point), "segment");
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
