#include "docfixture.h"

#include <files/cmdocreader.h>
#include <testsupport.h>

#include <QDir>
#include <QFile>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;
using namespace cmdocfixture;

namespace {

Piece narrow(const QString &text, quint16 prm = 0)
{
    return {text, false, prm};
}
Piece wide(const QString &text)
{
    return {text, true, 0};
}

Document doc(std::vector<Piece> pieces)
{
    Document d;
    d.pieces = std::move(pieces);
    return d;
}

QByteArray patched(QByteArray bytes, qint64 at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCMDocReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void text_data();
    void text();
    void refusals_data();
    void refusals();
    void files_data();
    void files();
};

void TestCMDocReader::text_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    const auto add = [](const char *name, const Document &d, const QString &expected) {
        QTest::newRow(name) << wordFile(d) << expected;
    };

    add("8-bit pieces in code page 1252, Unicode pieces",
        doc({narrow(u"Good evening.\r\u201CQuote\u201D \u2014 \u20AC5 caf\u00E9\r"_s),
             wide(u"\u041F\u0440\u0438\u0432\u0435\u0442 \u4E16\u754C\r"_s)}),
        u"Good evening.\n“Quote” — €5 café\nПривет 世界\n"_s);
    add("breaks and other controls",
        doc({narrow(u"line\u000Bbreak\u000Cpage\u000Ecolumn\ra\u0001b\u0002c\u0005d\u0008e"
                    u"\u001Ff\u001Eg\tz\r"_s)}),
        u"line\nbreak\npage\ncolumn\nabcdef-g\tz\n"_s);
    add("field in a field's result",
        doc({narrow(u"\u0013 REF a \u0014x\u0013 PAGE \u00143\u0015y\u0015\r"_s)}), u"x3y\n"_s);
    add("field in a field's instruction",
        doc({narrow(u"\u0013 IF \u0013 PAGE \u00141\u0015 = 1 \u0014yes\u0015\r"_s)}), u"yes\n"_s);
    add("field without result", doc({narrow(u"a\u0013 TC \"entry\" \u0015b\r"_s)}), u"ab\n"_s);
    add("field that never ends keeps its text", doc({narrow(u"a\u0013 broken\rnext\r"_s)}),
        u"a broken\nnext\n"_s);
    add("stray field marks", doc({narrow(u"a\u0015b\u0014c\r"_s)}), u"abc\n"_s);
    add("table rows without paragraph properties",
        doc({narrow(u"a\u0007b\u0007\u0007after\r"_s)}), u"a\tb\nafter\n"_s);
    // Fast-saved: the pieces' text lies in the stream out of order.
    Document d = doc({narrow(u"Keep "_s), wide(u"gone "_s), narrow(u"end\r"_s)});
    d.deleted = {{5, 10}};
    d.storeBackwards = true;
    add("deleted revision across fast-saved pieces", d, u"Keep end\n"_s);
    add("piece deleted by a short change",
        doc({narrow(u"Keep "_s), narrow(u"gone "_s, 0x0182), narrow(u"end\r"_s)}), u"Keep end\n"_s);
    d = doc({narrow(u"Keep "_s), narrow(u"gone "_s, 0x0001), narrow(u"end\r"_s)});
    d.grpprls = {QByteArray("\x00\x08\x01", 3)};
    add("piece deleted by a property list", d, u"Keep end\n"_s);
    d = doc({narrow(u"Main\r"_s), narrow(u"Footnote\r"_s)});
    d.ccpText = 5;
    add("only the main text", d, u"Main\n"_s);
    add("empty document", doc({narrow(u"\r"_s)}), u"\n"_s);
    d = doc({narrow(u"Say this(note to self) and (this)\r"_s)});
    d.hidden = {{8, 22}};
    d.symbols = {27};
    add("hidden text and symbol characters", d, u"Say this and this)\n"_s);

    // Containers that are unusual but sound.
    const QString big = QString(6000, u'a');
    const Document small = doc({narrow(u"Small\r"_s)});
    QTest::newRow("4096-byte sectors")
        << compoundFile(wordStreams(doc({narrow(big + u'\r')})), 12).bytes << big + u'\n';
    auto streams = wordStreams(small);
    streams.push_back({u"Data"_s, QByteArray(7'500'000, '\0')});
    QTest::newRow("FAT listed in DIFAT sectors") << compoundFile(streams).bytes << u"Small\n"_s;
    streams = wordStreams(small);
    streams[0].name = u"WORDDOCUMENT"_s;
    QTest::newRow("stream names ignore case") << compoundFile(streams).bytes << u"Small\n"_s;
}

void TestCMDocReader::text()
{
    QFETCH(QByteArray, bytes);
    const CMReadResult result = CMDocReader::read(bytes);
    QVERIFY2(result, qPrintable(result.failure));
    QTEST(*result.text, "expected");
}

void TestCMDocReader::refusals_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    const Document plain = doc({narrow(u"Hello\r"_s)});
    auto flagged = [&plain](quint16 flags) {
        Document d = plain;
        d.flags = flags;
        return wordFile(d);
    };
    QByteArray word6 = readAll(cmtest::sourcePath(u"tests/files/fixtures/doc/word6-fastsaved.doc"_s));
    const qsizetype fib = word6.indexOf("\xDC\xA5");
    QVERIFY(fib > 0);
    word6[fib + 0x0B] = char(word6[fib + 0x0B] | 0x01);
    auto withFib = [&plain](qint64 at, quint16 value) {
        auto streams = wordStreams(plain);
        qToLittleEndian(value, streams[0].data.data() + at);
        return compoundFile(streams).bytes;
    };

    QTest::newRow("empty") << QByteArray() << u"the file is empty"_s;
    QTest::newRow("RTF") << QByteArray("{\\rtf1\\ansi Hello}") << u"RTF document"_s;
    QTest::newRow("DOCX") << QByteArray("PK\x03\x04\x14\x00", 6) << u"DOCX"_s;
    QTest::newRow("Word 2") << QByteArray("\xDB\xA5\x2D\x00\0\0\0\0", 8) << u"older than Word 6"_s;
    QTest::newRow("plain text") << QByteArray("Hello") << u"not a Word document"_s;
    QTest::newRow("encrypted") << flagged(0x0100) << u"the document is encrypted"_s;
    QTest::newRow("obfuscated") << flagged(0x8000) << u"the document is encrypted"_s;
    QTest::newRow("Word 6 encrypted") << word6 << u"the document is encrypted"_s;
    QTest::newRow("encrypted package")
        << compoundFile({{u"EncryptionInfo"_s, QByteArray(200, 'i')},
                         {u"EncryptedPackage"_s, QByteArray(5000, 'p')}}).bytes
        << u"the document is encrypted"_s;
    QTest::newRow("other compound file")
        << compoundFile({{u"Workbook"_s, QByteArray(100, 'w')}}).bytes << u"not a Word document"_s;
    QTest::newRow("bad FIB identifier") << withFib(0, 0x1234) << u"header is damaged"_s;
    QTest::newRow("FIB too old") << withFib(2, 50) << u"older than Word 6"_s;
    QTest::newRow("FIB arrays cut short") << withFib(152, 10) << u"header is damaged"_s;
    QTest::newRow("more characters than the stream holds") << withFib(76, 0xFFFF) << u"damaged"_s;
    Document d = plain;
    d.tableStream = false;
    QTest::newRow("missing table stream") << wordFile(d) << u"missing"_s;
    d = plain;
    d.writeClx = false;
    QTest::newRow("no piece table") << wordFile(d) << u"text is damaged"_s;
    auto streams = wordStreams(doc({narrow(u"one "_s), narrow(u"two\r"_s)}));
    qToLittleEndian<quint32>(1000, streams[1].data.data() + 9);
    QTest::newRow("piece table goes backwards") << compoundFile(streams).bytes
                                                << u"text is damaged"_s;

    // Damaged containers. WordDocument is the first stream and large enough for ordinary
    // sectors.
    const CompoundFile file = compoundFile(wordStreams(doc({narrow(QString(6000, u'a') + u'\r')})));
    const quint32 first = file.startSectors[0];
    const QByteArray &b = file.bytes;
    const QString damaged = u"damaged"_s;
    QTest::newRow("stream chain loops") << patched(b, fatEntryOffset(file, first + 1), first)
                                        << damaged;
    QTest::newRow("stream chain ends early")
        << patched(b, fatEntryOffset(file, first), 0xFFFFFFFE) << damaged;
    QTest::newRow("stream chain leaves the file")
        << patched(b, fatEntryOffset(file, first), 0x00FFFFFF) << damaged;
    QTest::newRow("directory chain loops")
        << patched(b, fatEntryOffset(file, file.directorySector), file.directorySector) << damaged;
    QTest::newRow("stream larger than the file")
        << patched(b, ((file.directorySector + 1) << 9) + 128 + 120, 0x7FFFFFFF) << damaged;
    QTest::newRow("FAT sector outside the file") << patched(b, 0x4C, 0x7FFFFFF) << damaged;
    QTest::newRow("more FAT sectors than the file has") << patched(b, 0x2C, 0x100000) << damaged;
    QTest::newRow("sector size not allowed") << patched(b, 0x1E, 10) << damaged;
    QTest::newRow("truncated") << b.left(b.size() / 2) << damaged;
    QTest::newRow("header only") << b.left(300) << damaged;
    const CompoundFile small = compoundFile(wordStreams(plain));
    QTest::newRow("mini chain loops")
        << patched(small.bytes, (small.miniFatSector + 1) * 512 + 4 * small.startSectors[0],
                   small.startSectors[0])
        << damaged;
    streams = wordStreams(plain);
    streams.push_back({u"Data"_s, QByteArray(7'500'000, '\0')});
    const CompoundFile large = compoundFile(streams);
    const quint32 difat = qFromLittleEndian<quint32>(large.bytes.constData() + 0x44);
    const QByteArray looping = patched(large.bytes, (qint64(difat) + 2) * 512 - 4, difat);
    QTest::newRow("DIFAT chain loops") << patched(looping, 0x2C, 300) << damaged;
}

void TestCMDocReader::refusals()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const CMReadResult result = CMDocReader::read(bytes);
    QVERIFY(!result);
    QVERIFY2(result.failure.contains(reason), qPrintable(result.failure));
}

void TestCMDocReader::files_data()
{
    // Documents saved by other word processors, each with the text we expect beside it. The
    // public corpus goes through the importer in tst_cmcorpus.
    QTest::addColumn<QString>("path");
    const QDir fixtures(cmtest::sourcePath(u"tests/files/fixtures/doc"_s));
    for (const QString &name : fixtures.entryList({u"*.doc"_s}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(name)) << fixtures.filePath(name);
}

void TestCMDocReader::files()
{
    QFETCH(QString, path);
    const CMReadResult result = CMDocReader::read(readAll(path));
    QVERIFY2(result, qPrintable(result.failure));
    QCOMPARE(*result.text, QString::fromUtf8(readAll(path.chopped(4) + u".txt"_s)));
}

QTEST_GUILESS_MAIN(TestCMDocReader)
#include "tst_cmdocreader.moc"
