#include <kit/ovgeometry.h>
#include <kit/ovsurfaces.h>
#include <kit/ovsymbols.h>

#include <QRawFont>
#include <QTest>

#include <cmath>
#include <tuple>

using namespace Qt::StringLiterals;

class TestOVGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void knobMath_data();
    void knobMath();
    void segments();
    void brushedLines();
    void symbolsHaveGlyphs();
};

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

// Equal segments, equal gaps, and the same margin at both ends, at any zoom.
void TestOVGeometry::segments()
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

// The texture's bars stay inside the height asked for; no height, no bars.
void TestOVGeometry::brushedLines()
{
    for (const auto &[height, count] :
         {std::pair(5.0, 4), std::pair(4.8, 3), std::pair(0.0, 0), std::pair(-3.0, 0)}) {
        const QList<BrushedLines::Bar> bars = BrushedLines::bars(height);
        QCOMPARE(bars.size(), count);
        for (const BrushedLines::Bar &bar : bars)
            QVERIFY(bar.top < height && bar.opacity >= 0 && bar.opacity < 1);
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
