#include <engine/cmsettings.h>
#include <prompter/cmcanvasgeometry.h>

#include <QTest>

class TestCMCanvasGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void geometry_data();
    void geometry();
};

void TestCMCanvasGeometry::geometry_data()
{
    QTest::addColumn<QSizeF>("view");
    QTest::addColumn<double>("margin");
    QTest::addColumn<double>("cuePosition");
    QTest::addColumn<QList<double>>("expected"); // scale, height, cueY, columnX, columnWidth

    QTest::newRow("16:9") << QSizeF(1920, 1080) << 12.0 << 0.33
                          << QList<double>{1, 1080, 356.4, 230.4, 1459.2};
    QTest::newRow("5:4") << QSizeF(1280, 1024) << 12.0 << 0.33
                         << QList<double>{2.0 / 3, 1536, 506.88, 230.4, 1459.2};
    QTest::newRow("zero width") << QSizeF(0, 500) << 12.0 << 0.5
                                << QList<double>{0, 5e6, 2.5e6, 230.4, 1459.2};
    QTest::newRow("no margin") << QSizeF(1920, 1080) << 0.0 << 0.1
                               << QList<double>{1, 1080, 108, 0, 1920};
    // Clamped into the controls' ranges: margins to 35 %, the cue line to 70 %.
    QTest::newRow("absurd values clamp") << QSizeF(1920, 1080) << 80.0 << 5.0
                                         << QList<double>{1, 1080, 756, 672, 576};
}

void TestCMCanvasGeometry::geometry()
{
    QFETCH(QSizeF, view);
    QFETCH(double, margin);
    QFETCH(double, cuePosition);
    QFETCH(QList<double>, expected);
    CMSettings settings;
    settings.margin = margin;
    settings.cuePosition = cuePosition;
    const CMCanvasGeometry g = CMCanvasGeometry::make(view, settings);
    const QList<double> got{g.scale, g.height, g.cueY, g.columnX, g.columnWidth};
    for (int i = 0; i < got.size(); ++i)
        QCOMPARE(got[i], expected[i]);
}

QTEST_APPLESS_MAIN(TestCMCanvasGeometry)
#include "tst_cmcanvasgeometry.moc"
