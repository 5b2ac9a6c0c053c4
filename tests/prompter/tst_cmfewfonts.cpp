#include "imagetools.h"
#include "picture.h"

#include <testsupport.h>

#include <QApplication>
#include <QFile>
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
    Picture picture(u"I" + sample + u"I", CMSettings{.cueLine = false}, QSize(1920, 1080));
    const QImage frame = picture.frame();

    // The columns between the two I's: marks side by side leave only narrow gaps.
    const auto row = picture.text.layout(0);
    QList<double> xs;
    for (const auto &run : row->lines.front().runs) {
        for (const QPointF at : run.glyphs.positions())
            xs.append(at.x());
    }
    std::sort(xs.begin(), xs.end());
    const QRect between = picture.device(QRectF(xs[1], 0, xs.back() - xs[1], row->height));
    QCOMPARE_GT(between.width(), 20);
    QCOMPARE_GE(imagetools::columns(frame, between).size(), 0.6 * between.width());
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
