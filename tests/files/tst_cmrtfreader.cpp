#include <files/cmimport.h>
#include <files/cmrtfreader.h>

#include <QTest>

using namespace Qt::StringLiterals;

// The RTF reader, through the importer so that the text is what the script would get.
class TestCMRtfReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
    void deepNestingIsRefusedNotRecursed();
};

void TestCMRtfReader::reads_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("script"); // or the user's message when refused

    QTest::newRow("paragraphs, lines, tabs")
        << R"({\rtf1\ansi one\par two\line three\tab four\par})"_ba << u"one\ntwo\nthree\tfour\n"_s;
    QTest::newRow("raw line ends are not text")
        << "{\\rtf1 one\r\ntwo\\\nthree}"_ba << u"onetwo\nthree"_s;
    QTest::newRow("hex escapes in 1252") << R"({\rtf1\ansi caf\'e9 \'93q\'94})"_ba
                                         << u"café “q”"_s;
    QTest::newRow("hex escapes in the document code page")
        << R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8\'e2\'e5\'f2})"_ba << u"Привет"_s;
    QTest::newRow("font charset wins over the document code page")
        << R"({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\fcharset238 Arial CE;}}caf\'e9 {\f1 \'9ala\'9ei}})"_ba
        << u"café šlaži"_s;
    QTest::newRow("double-byte code page")
        << R"({\rtf1\ansi{\fonttbl{\f0\fcharset128 MS Mincho;}}\f0 \'93\'fa\'96\'7b})"_ba
        << u"日本"_s;
    QTest::newRow("mac charset") << R"({\rtf1\mac caf\'8e})"_ba << u"café"_s;
    QTest::newRow("unicode with one fallback")
        << R"({\rtf1 \u8220?hi\u8221?})"_ba << u"“hi”"_s;
    QTest::newRow("unicode fallback as hex") << R"({\rtf1 a\u233\'e9b})"_ba << u"aéb"_s;
    QTest::newRow("uc0 has no fallback") << R"({\rtf1\uc0 \u945\u946 x})"_ba << u"αβx"_s;
    QTest::newRow("uc2 fallback") << R"({\rtf1\uc2 \u26085\'93\'fa!})"_ba << u"日!"_s;
    QTest::newRow("negative unicode") << R"({\rtf1 \u-4064?})"_ba << u"\uF020"_s;
    QTest::newRow("surrogate pair")
        << R"({\rtf1 \u-10179?\u-8704?})"_ba << u"\U0001F600"_s;
    QTest::newRow("fallback ends with its group") << R"({\rtf1\uc3 {\u233}xyz})"_ba << u"éxyz"_s;
    QTest::newRow("named characters")
        << R"({\rtf1 \lquote a\rquote  \ldblquote b\rdblquote  c\emdash d\endash e\bullet})"_ba
        << u"‘a’ “b” c—d–e•"_s;
    QTest::newRow("control symbols")
        << R"({\rtf1 no\~break opt\-ional non\_breaking \{braces\} back\\slash})"_ba
        << u"no break optional non‑breaking {braces} back\\slash"_s;
    QTest::newRow("binary data skipped")
        << "{\\rtf1 a{\\*\\blob\\bin4 }{\\}b}c}"_ba << u"ac"_s;
    QTest::newRow("binary outside a skipped group") << "{\\rtf1 a\\bin3 x}yb}"_ba << u"ab"_s;
    QTest::newRow("tables, info, headers, notes, comments and pictures skipped")
        << R"({\rtf1{\fonttbl{\f0 Times;}}{\colortbl;\red0\green0\blue0;})"
           R"({\stylesheet{\s0 Normal;}}{\info{\title T}{\author A}}{\header H}{\footerr F})"
           R"(Text{\super\chftn{\footnote\pard N}}.{\*\atnid X}{\*\annotation C} a)"
           R"({\pict\pngblip 89504e47}b{\*\shppict{\pict x}}{\nonshppict{\pict y}}c})"_ba
        << u"Text. abc"_s;
    QTest::newRow("field result kept, instruction skipped")
        << R"({\rtf1 see {\field{\*\fldinst HYPERLINK "http://x"}{\fldrslt the site}}.})"_ba
        << u"see the site."_s;
    QTest::newRow("unknown starred destination skipped")
        << R"({\rtf1 a{\*\generator Writer 1.0;}{\*\newthing {nested} text}b})"_ba << u"ab"_s;
    QTest::newRow("unknown plain control words ignored") << R"({\rtf1 \foo12 a\bar b})"_ba
                                                         << u"ab"_s;
    QTest::newRow("hidden text skipped") << R"({\rtf1 a{\v hidden}b\v c\v0 d})"_ba << u"abd"_s;
    QTest::newRow("table cells and rows")
        << R"({\rtf1\trowd\cellx1\cellx2\intbl A\cell B\cell\row\trowd\intbl C\cell D\cell\row after\par})"_ba
        << u"A\tB\nC\tD\nafter\n"_s;
    QTest::newRow("nested table rows end")
        << R"({\rtf1\intbl x\nestcell y\nestcell{\*\nesttableprops\nestrow}z\cell\row})"_ba
        << u"x\ty\nz\n"_s;
    // List labels are the word processor's, not the writer's text.
    QTest::newRow("list text skipped")
        << R"({\rtf1{\listtext\'95\tab}Item\par{\pntext\f1 1.\tab}Step\par})"_ba
        << u"Item\nStep\n"_s;
    QTest::newRow("tracked deletions left out")
        << R"({\rtf1 keep {\deleted gone }new\par{\deleted old line\par}same\deleted  x\plain  y\par})"_ba
        << u"keep new\nsame y\n"_s;
    QTest::newRow("deletion and hidden text are separate")
        << R"({\rtf1 a{\deleted\v0 b}{\v\deleted0 c}d})"_ba << u"ad"_s;
    QTest::newRow("paragraph mark before a cell ends the cell")
        << R"({\rtf1\trowd\cellx1\cellx2\pard\intbl A\par\cell\pard\intbl B1\par B2\par\cell\row})"_ba
        << u"A\tB1\nB2\n"_s;
    QTest::newRow("unicode twin of upr")
        << R"({\rtf1{\upr{ansi}{\*\ud{uni\u233?}}}})"_ba << u"unié"_s;
    QTest::newRow("attachment character dropped")
        << "{\\rtf1 before{{\\NeXTGraphic pic.tiff \\width1 \\height1}\xAC}after}"_ba
        << u"beforeafter"_s;
    QTest::newRow("page break ends a line once")
        << R"({\rtf1 a\page b\par\page c})"_ba << u"a\nb\nc"_s;
    QTest::newRow("text after the document is ignored") << R"({\rtf1 a}junk)"_ba << u"a"_s;
    QTest::newRow("leading whitespace") << "\r\n {\\rtf1 a}"_ba << u"a"_s;

    const QString opened = u"“s.RTF” couldn't be opened. It may be damaged or password-protected.\n\nDetails: "_s;
    QTest::newRow("not rtf") << "Hello"_ba << opened + u"This is not an RTF document."_s;
    QTest::newRow("empty file") << QByteArray() << opened + u"This is not an RTF document."_s;
    QTest::newRow("groups left open")
        << R"({\rtf1 {\b bold} text)"_ba
        << opened + u"The RTF document ends before all its groups are closed."_s;
    QTest::newRow("no text") << R"({\rtf0})"_ba << u"“s.RTF” has no text in it."_s;
    QTest::newRow("only blanks") << R"({\rtf1 \par\tab \~ })"_ba << u"“s.RTF” has no text in it."_s;
    QTest::newRow("only a picture") << R"({\rtf1{\pict\jpegblip ffd8}\par})"_ba
                                    << u"“s.RTF” has no text in it."_s;
}

void TestCMRtfReader::reads()
{
    QFETCH(QByteArray, rtf);
    const CMImport::Result result = CMImport::readBytes(u"s.RTF"_s, rtf);
    QTEST(result ? *result.text : result.error->message(), "script");
}

void TestCMRtfReader::deepNestingIsRefusedNotRecursed()
{
    const int depth = 200'000;
    const QByteArray rtf = "{\\rtf1 " + QByteArray(depth, '{') + "x" + QByteArray(depth, '}') + "}";
    const CMReadResult result = CMRtfReader::read(rtf);
    QVERIFY(!result);
    QVERIFY(result.failure.contains(u"nested"_s));

    const int allowed = CMRtfReader::maxGroupDepth - 1;
    const QByteArray ok = "{\\rtf1 " + QByteArray(allowed, '{') + "x" + QByteArray(allowed, '}') + "}";
    QCOMPARE(CMRtfReader::read(ok).text, u"x"_s);
}

QTEST_GUILESS_MAIN(TestCMRtfReader)
#include "tst_cmrtfreader.moc"
