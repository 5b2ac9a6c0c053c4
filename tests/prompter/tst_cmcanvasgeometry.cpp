#include <engine/cmsettings.h>
#include <prompter/cmcanvasgeometry.h>

#include <QTest>

class TestCMCanvasGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void geometry_data();
    void geometry();
    void markerAtTheExample();
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

void TestCMCanvasGeometry::markerAtTheExample()
{
    const CMCanvasGeometry g = CMCanvasGeometry::make(QSizeF(1920, 1080), CMSettings{});
    QCOMPARE(g.band(), QRectF(0, 347.76, 1920, 97.2));
    QCOMPARE(g.leftArrow(), QRectF(14, 368, 46, 56));
    QCOMPARE(g.rightArrow(), QRectF(1860, 368, 46, 56));
}

QTEST_APPLESS_MAIN(TestCMCanvasGeometry)
#include "tst_cmcanvasgeometry.moc"
