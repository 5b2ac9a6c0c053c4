#include <files/cmimport.h>

#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray utf16(const QString &text, bool bigEndian, bool bom)
{
    using Flag = QStringConverter::Flag;
    QStringEncoder encoder(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                           bom ? Flag::WriteBom : Flag::Default);
    return encoder.encode(text);
}

} // namespace

// Plain-text import: the encoding list and the normalisation of what it decodes.
class TestCMPlainText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodes_data();
    void decodes();
};

void TestCMPlainText::decodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("script"); // or the user's message when refused

    QTest::newRow("utf-8") << "Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x94 ok"_ba << u"Grüße — ok"_s;
    QTest::newRow("utf-8 bom removed") << "\xEF\xBB\xBFHello"_ba << u"Hello"_s;
    QTest::newRow("crlf") << "one\r\ntwo\r\n"_ba << u"one\ntwo\n"_s;
    QTest::newRow("lone cr") << "one\rtwo\r\rthree"_ba << u"one\ntwo\n\nthree"_s;
    QTest::newRow("cr cr lf") << "a\r\r\nb"_ba << u"a\n\nb"_s;
    QTest::newRow("line separator") << "a\xE2\x80\xA8" "b"_ba << u"a\nb"_s;
    QTest::newRow("no-break space") << "a\xC2\xA0" "b"_ba << u"a b"_s;
    QTest::newRow("inner bom removed") << "a\xEF\xBB\xBF" "b"_ba << u"ab"_s;
    QTest::newRow("tabs, paragraph separator and object marks pass")
        << "\ta\xE2\x80\xA9" "b\xEF\xBF\xBC"_ba << u"\ta\u2029b\uFFFC"_s;
    QTest::newRow("windows-1252 when not utf-8") << "caf\xE9 \x93quoted\x94 \x80"_ba
                                                 << u"café “quoted” €"_s;
    QTest::newRow("mac roman for the bytes 1252 leaves undefined")
        << "\x81\x8D \x8E"_ba << u"Åç é"_s;
    QTest::newRow("markdown kept verbatim") << "# Title\n\n**bold** and _it_\n- item"_ba
                                            << u"# Title\n\n**bold** and _it_\n- item"_s;
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("blank stays blank") << "  \n \t"_ba << u"  \n \t"_s;
    QTest::newRow("utf-16le bom") << utf16(u"Hé\r\n€𝄞"_s, false, true) << u"Hé\n€𝄞"_s;
    QTest::newRow("utf-16be bom") << utf16(u"Hé\u2028x"_s, true, true) << u"Hé\nx"_s;
    QTest::newRow("utf-16le without bom") << utf16(u"Plain, wide\r\n"_s, false, false)
                                          << u"Plain, wide\n"_s;
    QTest::newRow("utf-16be without bom") << utf16(u"Wide"_s, true, false) << u"Wide"_s;
    QTest::newRow("one byte") << "x"_ba << u"x"_s;

    const QString notText = u"“notes.md” couldn't be read as text."_s;
    QTest::newRow("utf-16 odd length") << "\xFF\xFE" "a\0b"_ba << notText;
    QTest::newRow("utf-16 lone high surrogate") << "\xFF\xFE" "a\0\x3D\xD8"_ba << notText;
    QTest::newRow("utf-16 lone low surrogate") << "\xFE\xFF\xDC\x00\x00" "a"_ba << notText;
    QTest::newRow("binary with scattered nuls") << "\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0"_ba
                                                << notText;
}

void TestCMPlainText::decodes()
{
    QFETCH(QByteArray, bytes);
    const CMImport::Result result = CMImport::readBytes(u"notes.md"_s, bytes);
    QTEST(result ? *result.text : result.error->message(), "script");
}

QTEST_GUILESS_MAIN(TestCMPlainText)
#include "tst_cmplaintext.moc"
