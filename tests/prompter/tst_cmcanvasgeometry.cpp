#include <engine/cmsettings.h>
#include <prompter/cmcanvasgeometry.h>

#include <QTest>

class TestCMCanvasGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void geometry_data();
    void geometry();
    void marker_data();
    void marker();
    void mirrorAndFlip_data();
    void mirrorAndFlip();
};

void TestCMCanvasGeometry::geometry_data()
{
    QTest::addColumn<QSizeF>("view");
    QTest::addColumn<double>("margin");
    QTest::addColumn<double>("cuePosition");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("cueY");
    QTest::addColumn<double>("columnX");
    QTest::addColumn<double>("columnWidth");

    QTest::newRow("16:9") << QSizeF(1920, 1080) << 12.0 << 0.33 << 1.0 << 1080.0 << 356.4
                          << 230.4 << 1459.2;
    QTest::newRow("4K") << QSizeF(3840, 2160) << 12.0 << 0.33 << 2.0 << 1080.0 << 356.4
                        << 230.4 << 1459.2;
    QTest::newRow("5:4") << QSizeF(1280, 1024) << 12.0 << 0.33 << 2.0 / 3 << 1536.0 << 506.88
                         << 230.4 << 1459.2;
    QTest::newRow("zero width") << QSizeF(0, 500) << 12.0 << 0.5 << 0.0 << 5e6 << 2.5e6 << 230.4
                                << 1459.2;
    QTest::newRow("no margin") << QSizeF(1920, 1080) << 0.0 << 0.1 << 1.0 << 1080.0 << 108.0
                               << 0.0 << 1920.0;
    QTest::newRow("absurd values clamp") << QSizeF(1920, 1080) << 80.0 << 5.0 << 1.0 << 1080.0
                                         << 1080.0 << 864.0 << 192.0;
}

void TestCMCanvasGeometry::geometry()
{
    QFETCH(QSizeF, view);
    QFETCH(double, margin);
    QFETCH(double, cuePosition);
    QFETCH(double, scale);
    QFETCH(double, height);
    QFETCH(double, cueY);
    QFETCH(double, columnX);
    QFETCH(double, columnWidth);
    CMSettings settings;
    settings.margin = margin;
    settings.cuePosition = cuePosition;
    const CMCanvasGeometry g = CMCanvasGeometry::make(view, settings);
    QCOMPARE(g.scale, scale);
    QCOMPARE(g.height, height);
    QCOMPARE(g.cueY, cueY);
    QCOMPARE(g.columnX, columnX);
    QCOMPARE(g.columnWidth, columnWidth);
}

void TestCMCanvasGeometry::marker_data()
{
    QTest::addColumn<double>("fontSize");
    QTest::addColumn<QRectF>("band");
    QTest::addColumn<QRectF>("leftArrow");
    QTest::addColumn<QRectF>("rightArrow");

    QTest::newRow("size 72") << 72.0 << QRectF(0, 347.76, 1920, 97.2) << QRectF(14, 368, 46, 56)
                             << QRectF(1860, 368, 46, 56);
    QTest::newRow("size 200") << 200.0 << QRectF(0, 332.4, 1920, 270)
                              << QRectF(14, 438.4, 46, 56) << QRectF(1860, 438.4, 46, 56);
}

void TestCMCanvasGeometry::marker()
{
    QFETCH(double, fontSize);
    QFETCH(QRectF, band);
    QFETCH(QRectF, leftArrow);
    QFETCH(QRectF, rightArrow);
    CMSettings settings;
    settings.fontSize = fontSize;
    const CMCanvasGeometry g = CMCanvasGeometry::make(QSizeF(1920, 1080), settings);
    QCOMPARE(g.band(), band);
    QCOMPARE(g.leftArrow(), leftArrow);
    QCOMPARE(g.rightArrow(), rightArrow);
}

void TestCMCanvasGeometry::mirrorAndFlip_data()
{
    QTest::addColumn<bool>("mirror");
    QTest::addColumn<bool>("flip");
    QTest::addColumn<QPointF>("mapped"); // where canvas (100, 200) lands in a 960 × 540 view

    QTest::newRow("plain") << false << false << QPointF(50, 100);
    QTest::newRow("mirror") << true << false << QPointF(910, 100);
    QTest::newRow("flip") << false << true << QPointF(50, 440);
    QTest::newRow("both turn by 180 degrees") << true << true << QPointF(910, 440);
}

void TestCMCanvasGeometry::mirrorAndFlip()
{
    QFETCH(bool, mirror);
    QFETCH(bool, flip);
    QFETCH(QPointF, mapped);
    CMSettings settings;
    settings.mirror = mirror;
    settings.flip = flip;
    const CMCanvasGeometry g = CMCanvasGeometry::make(QSizeF(960, 540), settings);
    QCOMPARE(g.toView().map(QPointF(100, 200)), mapped);
    QCOMPARE(g.viewY(200), mapped.y());
}

QTEST_APPLESS_MAIN(TestCMCanvasGeometry)
#include "tst_cmcanvasgeometry.moc"
