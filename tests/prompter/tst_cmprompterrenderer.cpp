#include "imagetools.h"
#include "picture.h"
#include "samplescript.h"

#include <prompter/cmprompterpaint.h>

#include <QTest>

using namespace Qt::StringLiterals;
using samplescript::script;

Q_DECLARE_METATYPE(CMSettings)

class TestCMPrompterRenderer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void slowMotionFallsBetweenPixels_data();
    void slowMotionFallsBetweenPixels();
    void tallParagraphTilesWithoutSeams();
    void frameAfterChangeEqualsFreshFrame_data();
    void frameAfterChangeEqualsFreshFrame();
    void highDensityDrawsTheSamePixels();
    void absurdSettingsStillDrawText_data();
    void absurdSettingsStillDrawText();
};

void TestCMPrompterRenderer::slowMotionFallsBetweenPixels_data()
{
    QTest::addColumn<bool>("flip");
    QTest::newRow("upright") << false;
    QTest::newRow("flipped") << true;
}

void TestCMPrompterRenderer::slowMotionFallsBetweenPixels()
{
    QFETCH(bool, flip);
    Picture picture(u"Slowly now"_s, {.flip = flip, .cueLine = false}, QSize(1920, 1080));
    // The reading line is at 356.4: offset 0.4 puts the text on row 356, -0.6 on row 357.
    const QImage on356 = picture.frame(0.4);
    const QImage on357 = picture.frame(-0.6);
    QVERIFY(imagetools::differing(on356, on357, 0) > 0);
    QImage expected = on356;
    {
        QPainter painter(&expected);
        painter.setOpacity(0.25);
        painter.drawImage(0, 0, on357);
    }
    // 356.25, moving a pixel a frame: a quarter of the way to the next row.
    QCOMPARE(imagetools::differing(picture.frame(0.15, 1.0), expected, 2), 0);
    // Standing still or moving fast, the same offset is drawn sharp, on the nearest pixel.
    QCOMPARE(imagetools::differing(picture.frame(0.15), on356, 0), 0);
    QCOMPARE(imagetools::differing(picture.frame(0.15, 12), on356, 0), 0);
}

void TestCMPrompterRenderer::tallParagraphTilesWithoutSeams()
{
    // The text's top on a whole device row: 270 × 2.
    Picture picture(samplescript::words(160), {.cueLine = false, .cuePosition = 0.25},
                    QSize(3840, 2160));
    const QImage frame = picture.frame(0);
    const auto row = picture.text.layout(0);
    QVERIFY(row->height * 2 > 3 * CMRowTiles::tileHeight);

    QImage expected(frame.size(), QImage::Format_RGB32);
    expected.fill(Qt::black);
    {
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(2, 2);
        for (const auto &line : row->lines)
            CMPaint::fillRuns(painter, line.runs, Qt::white, QPointF(230.4, 270));
    }
    // What follows the paragraph comes from other rows: compare the paragraph only.
    const QRect paragraph(0, 0, 3840, int((270 + row->height) * 2));
    QCOMPARE(imagetools::differing(frame.copy(paragraph), expected.copy(paragraph), 2), 0);
}

void TestCMPrompterRenderer::frameAfterChangeEqualsFreshFrame_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("jump far ahead") << u"jump"_s;
    QTest::newRow("edit above the viewport") << u"edit"_s;
    QTest::newRow("larger text, not yet measured") << u"size"_s;
    QTest::newRow("other colours") << u"colours"_s;
    QTest::newRow("mirror turned on") << u"mirror"_s;
    QTest::newRow("window resized") << u"resize"_s;
}

void TestCMPrompterRenderer::frameAfterChangeEqualsFreshFrame()
{
    QFETCH(QString, change);
    CMSettings settings;
    QString text = script(3000);
    QSize size(1920, 1080);
    Picture picture(text, settings, size);
    picture.text.measureAll();
    double offset = 20000;
    picture.frame(offset);
    picture.renderer.renderAhead(std::chrono::seconds(5));
    picture.frame(offset + 3);

    if (change == u"jump") {
        offset = 150000;
    } else if (change == u"edit") {
        text.insert(text.indexOf(u"[Cue 9]"_s), u"A new line\n"_s);
        picture.text.setScript(text);
    } else if (change == u"size") {
        settings.fontSize = 100;
        picture.text.setStyle(CMTextStyle::fromSettings(settings));
        picture.renderer.setSettings(settings);
        offset *= 100.0 / 72;
    } else if (change == u"colours") {
        settings.colors = 1;
        picture.renderer.setSettings(settings);
    } else if (change == u"mirror") {
        settings.mirror = true;
        picture.renderer.setSettings(settings);
    } else if (change == u"resize") {
        size = QSize(1280, 1024);
        picture.size = size;
        picture.renderer.setViewSize(size);
    }
    const QImage after = picture.frame(offset);

    Picture fresh(text, settings, size);
    fresh.text.measureAll();
    QCOMPARE(imagetools::differing(after, fresh.frame(offset), 0), 0);
    if (change == u"size")
        QVERIFY(!picture.text.complete());
}

void TestCMPrompterRenderer::highDensityDrawsTheSamePixels()
{
    CMSettings settings;
    settings.mirror = true;
    Picture plain(script(50), settings, QSize(1920, 1080));
    Picture dense(script(50), settings, QSize(960, 540));
    dense.renderer.setViewSize(QSize(960, 540), 2);
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    {
        QPainter painter(&image);
        dense.renderer.paint(painter, {1234.5, std::nullopt, 0.5});
    }
    image.setDevicePixelRatio(1);
    QCOMPARE(imagetools::differing(image, plain.frame(1234.5, 1), 2), 0);
}

void TestCMPrompterRenderer::absurdSettingsStillDrawText_data()
{
    QTest::addColumn<CMSettings>("settings");
    QTest::addColumn<QColor>("background"); // colours past either end: the scheme at that end
    const double huge = 1e308;
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("everything 1e308")
        << CMSettings{.speed = huge, .fontSize = huge, .margin = huge, .lineSpacing = huge,
                      .colors = 7, .cuePosition = huge}
        << QColor(5, 26, 89);
    QTest::newRow("everything -5")
        << CMSettings{.speed = -5, .fontSize = -5, .margin = -5, .lineSpacing = -5,
                      .colors = -5, .cuePosition = -5}
        << QColor(Qt::black);
    QTest::newRow("infinite") << CMSettings{.fontSize = inf, .margin = -inf, .lineSpacing = inf,
                                            .cuePosition = inf}
                              << QColor(Qt::black);
}

// Whatever an edited or older record holds, the picture at the top shows text.
void TestCMPrompterRenderer::absurdSettingsStillDrawText()
{
    QFETCH(CMSettings, settings);
    QFETCH(QColor, background);
    settings.cueLine = false;
    Picture picture(script(40), settings, QSize(640, 360));
    const QImage frame = picture.frame(0);
    QVERIFY(imagetools::near(frame.pixel(0, 0), background));
    const int ground = imagetools::brightness(frame.pixel(0, 0));
    const qint64 ink = imagetools::count(frame, frame.rect(), [ground](QRgb p) {
        return std::abs(imagetools::brightness(p) - ground) > 96;
    });
    QVERIFY2(ink > 200, qPrintable(QString::number(ink)));
}

QTEST_MAIN(TestCMPrompterRenderer)
#include "tst_cmprompterrenderer.moc"
