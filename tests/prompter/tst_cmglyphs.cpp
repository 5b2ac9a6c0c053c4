#include "imagetools.h"
#include "picture.h"

#include <engine/cmmath.h>
#include <prompter/cmfontresolver.h>
#include <prompter/cmprompterpaint.h>

#include <QFontDatabase>
#include <QRawFont>
#include <QTest>

using namespace Qt::StringLiterals;
using imagetools::count;

namespace {

// White text on black is grey wherever it is drawn; only a colour glyph has hue.
bool coloured(QRgb p)
{
    return std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)})
        > 24;
}

qint64 totalInk(const QImage &image)
{
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += imagetools::brightness(image.pixel(x, y));
    }
    return sum;
}

// The first row drawn without the reading line's marker.
CMSettings plain(const QString &postScriptName = {}, bool mirror = false, bool flip = false)
{
    CMSettings settings{.mirror = mirror, .flip = flip, .cueLine = false};
    if (!postScriptName.isEmpty())
        settings.fontName = postScriptName;
    return settings;
}

} // namespace

class TestCMGlyphs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void emojiAreDrawnInColour_data();
    void emojiAreDrawnInColour();
    void emojiKeepTheirRoomAfterDrawing();
    void missingCharacterShowsABox_data();
    void missingCharacterShowsABox();
    void rightToLeftStartsAtTheRightMargin_data();
    void rightToLeftStartsAtTheRightMargin();
    void fallbacksHaveTheWeightOfTheFace_data();
    void fallbacksHaveTheWeightOfTheFace();
    void boldIsHeavierThanRegular();
};

void TestCMGlyphs::emojiAreDrawnInColour_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("mirror");
    QTest::addColumn<bool>("flip");
    QTest::addColumn<int>("emoji");
    QTest::addColumn<bool>("allColoured");
    const auto row = [](const char *name, const QString &line, QSize size, bool mirror, bool flip,
                        int emoji, bool allColoured) {
        QTest::newRow(name) << line << size << mirror << flip << emoji << allColoured;
    };
    const QSize hd(1920, 1080);
    // The clapper board and this family are black, white and grey in the colour font.
    row("the issue's line", u"Emoji: 🎬 Action! 👍 Thanks 🙏 ❤ 🇬🇧 👩\u200D👩\u200D👧"_s, hd, false,
        false, 5, false);
    const QString line = u"Go 🍿 now 🇬🇧 🧑🏽\u200D💻 👋🏽 ❤\uFE0F\u200D🔥 ☝🏽"_s;
    row("live, 1080p", line, hd, false, false, 6, true);
    row("rig preview size", line, QSize(640, 360), false, false, 6, true);
    row("live, 4K", line, QSize(3840, 2160), false, false, 6, true);
    row("mirrored", line, hd, true, false, 6, true);
    row("flipped", line, hd, false, true, 6, true);
    row("mirrored and flipped", line, QSize(1280, 1024), true, true, 6, true);
    row("in an inline cue", u"Now [smile 🙂 and wave 👋] go"_s, hd, false, false, 2, true);
    row("cue line", u"[🙂 1\uFE0F\u20E3]"_s, hd, false, false, 2, true);
}

void TestCMGlyphs::emojiAreDrawnInColour()
{
    QFETCH(QString, line);
    QFETCH(QSize, size);
    QFETCH(bool, mirror);
    QFETCH(bool, flip);
    QFETCH(int, emoji);
    QFETCH(bool, allColoured);
    if (CMFontResolver::colorEmojiFamily().isEmpty())
        QSKIP("no colour emoji font is installed (scripts/deps.sh installs one)");
    Picture picture(line, plain({}, mirror, flip), size);
    const QImage frame = picture.frame();
    const double scale = picture.renderer.geometry().scale;
    const auto drawn = [](QRgb p) { return coloured(p) || imagetools::brightness(p) >= 64; };
    int seen = 0;
    int colouredEmoji = 0;
    for (const auto &wrapped : picture.text.layout(0)->lines) {
        for (const auto &run : wrapped.runs) {
            const QRawFont font = run.glyphs.rawFont();
            if (CMFontResolver::familyOf(font) != CMFontResolver::colorEmojiFamily())
                continue;
            const double em = font.pixelSize();
            for (const QPointF at : run.glyphs.positions()) {
                ++seen;
                // One picture per sequence, most of an em wide at its text's size on the device.
                const QRect box = picture.device(QRectF(at.x(), at.y() - em, em, 1.2 * em));
                const double area = box.width() * box.height();
                QVERIFY2(count(frame, box, drawn) > 0.1 * area, qPrintable(QString::number(seen)));
                colouredEmoji += count(frame, box, coloured) > 0.05 * area ? 1 : 0;
                const QList<int> inked = imagetools::columns(frame, box, drawn);
                QCOMPARE_GE(inked.back() - inked.front() + 1, 0.6 * em * scale);
            }
        }
    }
    QCOMPARE(seen, emoji);
    QCOMPARE_GE(colouredEmoji, allColoured ? emoji : 3);
}

void TestCMGlyphs::emojiKeepTheirRoomAfterDrawing()
{
    if (CMFontResolver::colorEmojiFamily().isEmpty())
        QSKIP("no colour emoji font is installed");
    // Drawing emoji must leave the font as it was: rows laid out afterwards, at sizes not
    // used before, still give each emoji about an em of room.
    const QString line = u"A 🎬 B 👍 C"_s;
    for (const double size : {72.0, 39.6, 61.0, 117.0}) {
        CMSettings settings;
        settings.fontSize = size;
        const CMTextStyle style = CMTextStyle::fromSettings(settings);
        const CMRowLayout row = CMRowLayout::build(CMRowKind::Spoken, line, style);
        QList<double> xs;
        double em = 0;
        for (const auto &run : row.lines.front().runs) {
            for (const QPointF at : run.glyphs.positions())
                xs.append(at.x());
            const QRawFont font = run.glyphs.rawFont();
            if (CMFontResolver::familyOf(font) == CMFontResolver::colorEmojiFamily())
                em = font.pixelSize();
        }
        QVERIFY(em > 0);
        // Glyphs: A, space, emoji, space, B, space, emoji, space, C.
        QCOMPARE(xs.size(), 9);
        QCOMPARE_GE(xs[3] - xs[2], 0.9 * em);
        QCOMPARE_GE(xs[7] - xs[6], 0.9 * em);
        CMTileLook look;
        look.scale = 2;
        CMRowTiles::renderTile(row, 0, CMRowTiles::rowPixels(row.height, 2), look);
    }
}

void TestCMGlyphs::missingCharacterShowsABox_data()
{
    QTest::addColumn<QString>("font");
    QTest::addColumn<bool>("cue");
    for (const auto &choice : CMMath::fonts())
        QTest::newRow(qPrintable(choice.name)) << choice.name << false;
    QTest::newRow("cue line") << u"HelveticaNeue-Bold"_s << true;
}

void TestCMGlyphs::missingCharacterShowsABox()
{
    QFETCH(QString, font);
    QFETCH(bool, cue);
    // A Kawi letter: newer than every font of the set-up.
    const QString missing = u"X\U00011F04X"_s;
    Picture picture(cue ? u"[%1]"_s.arg(missing) : missing, plain(font), QSize(1920, 1080));
    const QImage frame = picture.frame();
    QList<QPointF> at;
    QList<quint32> glyphs;
    double em = 0;
    for (const auto &run : picture.text.layout(0)->lines.front().runs) {
        at += run.glyphs.positions();
        glyphs += run.glyphs.glyphIndexes();
        em = run.glyphs.rawFont().pixelSize();
    }
    const qsizetype x = cue ? 1 : 0; // the first X
    QCOMPARE_GE(glyphs.size(), x + 3);
    if (glyphs[x + 1] != 0)
        QSKIP("an installed font has the Kawi letter");
    // Between the two X: something bright, not a gap.
    const QRect between = picture.device(
        QRectF(at[x + 1].x(), at[x + 1].y() - em, at[x + 2].x() - at[x + 1].x(), em));
    QCOMPARE_GE(count(frame, between), qint64(0.05 * between.width() * between.height()));
}

void TestCMGlyphs::rightToLeftStartsAtTheRightMargin_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<bool>("mirror");
    QTest::addColumn<int>("lines");

    const QString arabic = u"مرحبا بكم في برنامجنا الليلة، نتمنى لكم مشاهدة ممتعة ونتمنى أن "
                           "تستمتعوا بكل لحظة من هذا البرنامج الرائع مع ضيوفنا الكرام"_s;
    QTest::newRow("Arabic, wrapping") << arabic << true << false << 4;
    QTest::newRow("Arabic, mirrored") << arabic << true << true << 4;
    QTest::newRow("Hebrew with English and digits") << u"שלום world 123 עולם"_s << true << false
                                                    << 1;
    QTest::newRow("digits first, then Hebrew") << u"2024 — שנה טובה"_s << true << false << 1;
    QTest::newRow("right-to-left cue line") << u"[تصفيق حار]"_s << true << false << 1;
    QTest::newRow("English with Arabic inside") << u"Welcome عربي to the show"_s << false
                                                << false << 1;
    QTest::newRow("English, mirrored") << u"Good evening"_s << false << true << 1;
}

void TestCMGlyphs::rightToLeftStartsAtTheRightMargin()
{
    QFETCH(QString, line);
    QFETCH(bool, rightToLeft);
    QFETCH(bool, mirror);
    QFETCH(int, lines);
    Picture picture(line, plain({}, mirror), QSize(1920, 1080));
    const QImage frame = picture.frame();
    const CMCanvasGeometry &g = picture.renderer.geometry();
    const auto row = picture.text.layout(0);
    QCOMPARE(int(row->lines.size()), lines);

    // Each line's ink starts (left to right) or ends (right to left) at its margin, as seen
    // on the glass: a mirrored picture has the margins swapped.
    const bool atRight = rightToLeft != mirror;
    const double tolerance = 0.15 * g.fontSize * g.scale;
    for (const auto &wrapped : row->lines) {
        const QList<int> inked = imagetools::columns(
            frame, picture.device(QRectF(-g.columnX, wrapped.top, g.width, wrapped.height)));
        QVERIFY(!inked.isEmpty());
        if (atRight)
            QCOMPARE_LE(std::abs(inked.back() + 1 - (g.columnX + g.columnWidth) * g.scale),
                        tolerance);
        else
            QCOMPARE_LE(std::abs(inked.front() - g.columnX * g.scale), tolerance);
    }
}

void TestCMGlyphs::fallbacksHaveTheWeightOfTheFace_data()
{
    QTest::addColumn<QString>("sample");
    QTest::newRow("Chinese") << u"欢迎收看今晚的节目"_s;
    QTest::newRow("Japanese") << u"こんばんは、ニュースです"_s;
    QTest::newRow("Korean") << u"안녕하세요 여러분"_s;
    QTest::newRow("Thai") << u"สวัสดีครับ ยินดีต้อนรับ"_s;
    QTest::newRow("Devanagari") << u"नमस्ते दुनिया"_s;
    QTest::newRow("Bengali") << u"নমস্কার বিশ্ব"_s;
    QTest::newRow("Tamil") << u"வணக்கம் உலகம்"_s;
    QTest::newRow("Ethiopic") << u"ሰላም ለዓለም"_s;
    QTest::newRow("Armenian") << u"Բարև աշխարհ"_s;
    QTest::newRow("Georgian") << u"გამარჯობა მსოფლიო"_s;
    QTest::newRow("Arabic") << u"مرحبا بالعالم"_s;
    QTest::newRow("Hebrew") << u"שלום עולם"_s;
}

void TestCMGlyphs::fallbacksHaveTheWeightOfTheFace()
{
    QFETCH(QString, sample);
    for (const auto &choice : CMMath::fonts()) {
        const CMTextStyle style = CMTextStyle::fromSettings(plain(choice.name));
        const int asked = style.spokenFont.weight();
        const CMRowLayout row = CMRowLayout::build(CMRowKind::Spoken, sample, style);
        for (const auto &line : row.lines) {
            for (const auto &run : line.runs) {
                const QRawFont font = run.glyphs.rawFont();
                const QString family = CMFontResolver::familyOf(font);
                const QString face =
                    u"%1 %2 for %3"_s.arg(family, font.styleName(), choice.name);
                // Every character has a font (scripts/deps.sh installs them)…
                QVERIFY2(!run.glyphs.glyphIndexes().contains(0u), qPrintable(face));
                // …in the weight nearest the chosen face's.
                const int weight = QFontDatabase::weight(family, font.styleName());
                QVERIFY2(std::abs(weight - asked) <= 150,
                         qPrintable(u"%1: %2, asked %3"_s.arg(face).arg(weight).arg(asked)));
            }
        }
    }
}

void TestCMGlyphs::boldIsHeavierThanRegular()
{
    // Chinese in the bold face against the regular one, read at a distance.
    const QString chinese = u"欢迎收看今晚的节目"_s;
    const auto ink = [&chinese](const QString &face) {
        return totalInk(Picture(chinese, plain(face), QSize(1920, 1080)).frame());
    };
    const qint64 bold = ink(u"HelveticaNeue-Bold"_s);
    const qint64 regular = ink(u"HelveticaNeue"_s);
    QCOMPARE_GE(double(bold) / regular, 1.2);

    // A face that has no bold is drawn bolder when bold is asked for, as Qt draws it.
    const QString family = u"DejaVu Math TeX Gyre"_s;
    const auto drawn = [&](QFont::Weight weight) {
        QFont font(family);
        font.setWeight(weight);
        font = CMTextStyle::canvasFont(font, 96);
        const CMRowLayout line = CMRowLayout::line(u"Hamburgefonstiv"_s, font, CMTextRole::Spoken);
        const QRawFont raw = line.lines.front().runs.front().glyphs.rawFont();
        QImage image(1000, 200, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        CMPaint::fillRuns(painter, line.lines.front().runs, Qt::white, {10, 0});
        painter.end();
        return std::pair(QFontDatabase::weight(CMFontResolver::familyOf(raw), raw.styleName()),
                         totalInk(image));
    };
    const auto [boldWeight, boldInk] = drawn(QFont::Bold);
    const auto [regularWeight, regularInk] = drawn(QFont::Normal);
    if (boldWeight != regularWeight)
        QSKIP("the face has a bold style here");
    QCOMPARE_GE(double(boldInk) / regularInk, 1.15);
}

QTEST_MAIN(TestCMGlyphs)
#include "tst_cmglyphs.moc"
