#include "imagetools.h"

#include <engine/cmsettings.h>
#include <prompter/cmprompterrenderer.h>
#include <prompter/cmscripttext.h>

#include <testsupport.h>

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QRawFont>
#include <QTest>

using namespace Qt::StringLiterals;

// The prompter on a machine with hardly any fonts (the stand-ins for the font choices and
// DejaVu): whatever it cannot draw, the reader still sees a mark for, never a gap.
class TestCMFewFonts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyCharacterLeavesAMark_data();
    void everyCharacterLeavesAMark();
};

void TestCMFewFonts::everyCharacterLeavesAMark_data()
{
    QTest::addColumn<QString>("sample");
    QTest::newRow("Thai") << u"สวัสดี"_s;
    QTest::newRow("Devanagari") << u"नमस्ते"_s;
    QTest::newRow("Chinese") << u"欢迎收看"_s;
    QTest::newRow("emoji") << u"👍🙏🇬🇧"_s;
    QTest::newRow("Kawi") << u"\U00011F04\U00011F05"_s;
}

void TestCMFewFonts::everyCharacterLeavesAMark()
{
    QFETCH(QString, sample);
    CMSettings settings;
    settings.cueLine = false;
    CMScriptText text;
    text.setStyle(CMTextStyle::fromSettings(settings));
    text.setScript(u"I" + sample + u"I");
    CMPrompterRenderer renderer(text);
    renderer.setSettings(settings);
    renderer.setViewSize(QSize(1920, 1080));
    QImage frame(1920, 1080, QImage::Format_RGB32);
    {
        QPainter painter(&frame);
        renderer.paint(painter, {0, std::nullopt, 0});
    }

    // The columns between the two I's: marks side by side leave only narrow gaps.
    const auto row = text.layout(0);
    QList<QPointF> at;
    for (const auto &run : row->lines.front().runs)
        at += run.glyphs.positions();
    std::sort(at.begin(), at.end(), [](QPointF a, QPointF b) { return a.x() < b.x(); });
    const CMCanvasGeometry &g = renderer.geometry();
    const int from = int((g.columnX + at[1].x()) * g.scale);
    const int to = int((g.columnX + at.back().x()) * g.scale);
    const int top = int(g.textTop(0) * g.scale);
    const int bottom = int((g.textTop(0) + row->height) * g.scale);
    QCOMPARE_GT(to - from, 20);
    int marked = 0;
    for (int x = from; x < to; ++x) {
        for (int y = top; y < bottom; ++y) {
            if (imagetools::brightness(frame.pixel(x, y)) >= 128) {
                ++marked;
                break;
            }
        }
    }
    QCOMPARE_GE(marked, 0.6 * (to - from));
}

int main(int argc, char *argv[])
{
    // Before the application starts: fontconfig reads its configuration once.
    const QString conf = cmtest::sandboxPath() + u"/fonts.conf"_s;
    QFile file(conf);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
               "<fontconfig><dir>/usr/share/fonts/truetype/dejavu</dir>"
               "<dir>/usr/share/fonts/opentype/urw-base35</dir>"
               "<cachedir>" + cmtest::sandboxPath().toUtf8() + "/fontconfig</cachedir>"
               "<include ignore_missing=\"yes\">/etc/fonts/conf.d</include></fontconfig>\n");
    file.close();
    qputenv("FONTCONFIG_FILE", conf.toUtf8());
    QApplication app(argc, argv);
    TestCMFewFonts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cmfewfonts.moc"
