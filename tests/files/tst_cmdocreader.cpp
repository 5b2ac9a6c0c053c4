#include "docfixture.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>
#include <files/cmdocreader.h>
#include <map>
#include <testsupport.h>

using namespace Qt::StringLiterals;
using namespace cmdocfixture;

Q_DECLARE_METATYPE(cmdocfixture::Document)

namespace {

Piece narrow(const QString &text, quint16 prm = 0)
{
    return {text, false, prm};
}
Piece wide(const QString &text, quint16 prm = 0)
{
    return {text, true, prm};
}

Document doc(std::vector<Piece> pieces, Format format = Format::Word97)
{
    Document d;
    d.format = format;
    d.pieces = std::move(pieces);
    return d;
}

// A document with a little of everything the reader handles, for damage to work on.
Document richDocument()
{
    Document d = doc({narrow(u"Intro \x13 HYPERLINK \"x\" \x14link\x15 text.\r"_s),
                      wide(u"\u041F\u0440\u0438\u0432\u0435\u0442 a\x07"_s
                           u"b\x07\x07"_s),
                      narrow(u"gone \r"_s, 0x0182), narrow(QString(3000, u'x') + u"\r"_s)});
    d.rowEnds = {46};
    d.deleted = {{36, 39}};
    d.storeBackwards = true;
    return d;
}

QByteArray patched(QByteArray bytes, qint64 at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
}

QMultiMap<QString, int> wordBag(const QString &text)
{
    static const QRegularExpression word(u"\\w+"_s, QRegularExpression::UseUnicodePropertiesOption);
    std::map<QString, int> counts;
    for (auto it = word.globalMatch(text.toLower()); it.hasNext();)
        ++counts[it.next().captured()];
    QMultiMap<QString, int> bag;
    for (const auto &[w, n] : counts)
        bag.insert(w, n);
    return bag;
}

// Dice agreement of two texts' multisets of words: 1 when they hold the same words.
double agreement(const QString &a, const QString &b)
{
    const auto x = wordBag(a);
    const auto y = wordBag(b);
    qint64 common = 0, total = 0;
    for (auto it = x.cbegin(); it != x.cend(); ++it) {
        total += it.value();
        common += std::min(it.value(), y.value(it.key(), 0));
    }
    for (const int n : y)
        total += n;
    return total == 0 ? 1.0 : 2.0 * double(common) / double(total);
}

QString readUtf8(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
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
    void containers_data();
    void containers();
    void damagedContainers_data();
    void damagedContainers();
    void damageNeverCrashes();
    void fixtures_data();
    void fixtures();
    void corpus_data();
    void corpus();
};

void TestCMDocReader::text_data()
{
    QTest::addColumn<Document>("document");
    QTest::addColumn<QString>("expected");

    QTest::newRow("paragraphs") << doc({narrow(u"Good evening.\rWelcome.\r"_s)})
                                << u"Good evening.\nWelcome.\n"_s;
    QTest::newRow("unicode piece")
        << doc({wide(u"\u041F\u0440\u0438\u0432\u0435\u0442 \u4E16\u754C\r"_s)})
        << u"\u041F\u0440\u0438\u0432\u0435\u0442 \u4E16\u754C\n"_s;
    QTest::newRow("8-bit piece is code page 1252")
        << doc({narrow(u"\u201CQuote\u201D \u2014 \u20AC5 caf\u00E9\r"_s)})
        << u"\u201CQuote\u201D \u2014 \u20AC5 caf\u00E9\n"_s;
    {
        Document d = doc({narrow(u"Good "_s), wide(u"\u00E9vening "_s), narrow(u"news\r"_s)});
        d.storeBackwards = true;
        QTest::newRow("fast-saved pieces stored out of order")
            << d << u"Good \u00E9vening news\n"_s;
    }
    QTest::newRow("breaks") << doc({narrow(u"line\x0B"
                                           "break\x0Cpage\x0E"
                                           "column\r"_s)})
                            << u"line\nbreak\npage\ncolumn\n"_s;
    QTest::newRow("other controls") << doc({narrow(u"a\x01"
                                                   "b\x02"
                                                   "c\x05"
                                                   "d\x08"
                                                   "e\x1F"
                                                   "f\x1Eg\tz\r"_s)})
                                    << u"abcdef-g\tz\n"_s;
    QTest::newRow("field keeps its result")
        << doc({narrow(u"See \x13 HYPERLINK \"http://x\" \x14the site\x15.\r"_s)})
        << u"See the site.\n"_s;
    QTest::newRow("field in a field's result") << doc({narrow(u"\x13 REF a \x14x\x13 PAGE \x14"
                                                              "3\x15y\x15\r"_s)})
                                               << u"x3y\n"_s;
    QTest::newRow("field in a field's instruction") << doc({narrow(u"\x13 IF \x13 PAGE \x14"
                                                                   "1\x15 = 1 \x14yes\x15\r"_s)})
                                                    << u"yes\n"_s;
    QTest::newRow("field without result") << doc({narrow(u"a\x13 TC \"entry\" \x15"
                                                         "b\r"_s)})
                                          << u"ab\n"_s;
    QTest::newRow("field that never ends keeps its text")
        << doc({narrow(u"a\x13 broken\rnext\r"_s)}) << u"a broken\nnext\n"_s;
    QTest::newRow("stray field marks") << doc({narrow(u"a\x15"
                                                      "b\x14"
                                                      "c\r"_s)})
                                       << u"abc\n"_s;
    {
        Document d = doc({narrow(u"a\x07"
                                 "b\x07\x07"
                                 "c\x07\x07\x07"
                                 "after\r"_s)});
        d.rowEnds = {4, 8};
        QTest::newRow("table rows, empty cell") << d << u"a\tb\nc\t\nafter\n"_s;
    }
    QTest::newRow("table rows without paragraph properties") << doc({narrow(u"a\x07"
                                                                            "b\x07\x07"
                                                                            "after\r"_s)})
                                                             << u"a\tb\nafter\n"_s;
    {
        Document d = doc({narrow(u"Keep this. Not this.\r"_s)});
        d.deleted = {{10, 20}};
        QTest::newRow("deleted revision") << d << u"Keep this.\n"_s;
    }
    {
        Document d = doc({narrow(u"Keep "_s), wide(u"gone "_s), narrow(u"end\r"_s)});
        d.deleted = {{5, 10}};
        d.storeBackwards = true;
        QTest::newRow("deleted revision across pieces") << d << u"Keep end\n"_s;
    }
    {
        Document d = doc({narrow(u"Say this(note to self) and (this)\r"_s)});
        d.hidden = {{8, 22}};
        d.symbols = {27};
        QTest::newRow("hidden text and symbol characters") << d << u"Say this and this)\n"_s;
        d.format = Format::Word6;
        QTest::newRow("Word 6 hidden text and symbol characters") << d << u"Say this and this)\n"_s;
    }
    QTest::newRow("piece deleted by a short change")
        << doc({narrow(u"Keep "_s), narrow(u"gone "_s, 0x0182), narrow(u"end\r"_s)})
        << u"Keep end\n"_s;
    {
        Document d = doc({narrow(u"Keep "_s), narrow(u"gone "_s, 0x0001), narrow(u"end\r"_s)});
        d.grpprls = {QByteArray("\x00\x08\x01", 3)};
        QTest::newRow("piece deleted by a property list") << d << u"Keep end\n"_s;
    }
    {
        Document d = doc({narrow(u"Main\r"_s), narrow(u"Footnote\r"_s)});
        d.ccpText = 5;
        QTest::newRow("only the main text") << d << u"Main\n"_s;
    }
    QTest::newRow("empty document") << doc({narrow(u"\r"_s)}) << u"\n"_s;
    {
        Document d = doc({narrow(u"4 sk\u00F3re a p\u0159ed\r"_s)}, Format::Word6);
        d.charsets = {{{11, 12}, 238}};
        QTest::newRow("Word 6 text in its font's code page")
            << d << u"4 sk\u00F3re a p\u0159ed\n"_s;
    }
    {
        Document d = doc({narrow(u"First "_s), narrow(u"second\r"_s)}, Format::Word6);
        d.complex = true;
        d.storeBackwards = true;
        QTest::newRow("Word 6 fast-saved") << d << u"First second\n"_s;
    }
    {
        Document d = doc({wide(u"\u4E2D\u6587 text\r"_s)}, Format::Word6);
        d.wideWord6 = true;
        QTest::newRow("Word 6 Far East 16-bit text") << d << u"\u4E2D\u6587 text\n"_s;
    }
    {
        Document d = doc({narrow(u"Keep this. Not this.\r"_s)}, Format::Word6);
        d.deleted = {{10, 20}};
        QTest::newRow("Word 6 deleted revision") << d << u"Keep this.\n"_s;
    }
    {
        Document d = doc({narrow(u"a\x07"
                                 "b\x07\x07"
                                 "c\x07\x07\x07"
                                 "after\r"_s)},
                         Format::Word6);
        d.rowEnds = {4, 8};
        QTest::newRow("Word 6 table rows") << d << u"a\tb\nc\t\nafter\n"_s;
    }
}

void TestCMDocReader::text()
{
    QFETCH(Document, document);
    QFETCH(QString, expected);
    const CMReadResult result = CMDocReader::read(wordFile(document));
    QVERIFY2(result, qPrintable(result.failure));
    QCOMPARE(*result.text, expected);
}

void TestCMDocReader::refusals_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    const Document plain = doc({narrow(u"Hello\r"_s)});
    auto flagged = [&plain](quint16 flags, Format format = Format::Word97) {
        Document d = plain;
        d.format = format;
        d.flags = flags;
        return wordFile(d);
    };
    auto withFib = [&plain](qint64 at, quint16 value, Format format = Format::Word97) {
        Document d = plain;
        d.format = format;
        auto streams = wordStreams(d);
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
    QTest::newRow("Word 6 encrypted")
        << flagged(0x0100, Format::Word6) << u"the document is encrypted"_s;
    QTest::newRow("encrypted package")
        << compoundFile({{u"EncryptionInfo"_s, QByteArray(200, 'i')},
                         {u"EncryptedPackage"_s, QByteArray(5000, 'p')}})
               .bytes
        << u"the document is encrypted"_s;
    QTest::newRow("other compound file")
        << compoundFile({{u"Workbook"_s, QByteArray(100, 'w')}}).bytes << u"not a Word document"_s;
    QTest::newRow("bad FIB identifier") << withFib(0, 0x1234) << u"header is damaged"_s;
    QTest::newRow("FIB too old") << withFib(2, 50) << u"older than Word 6"_s;
    QTest::newRow("FIB arrays cut short") << withFib(152, 10) << u"header is damaged"_s;
    QTest::newRow("more characters than the stream holds") << withFib(76, 0xFFFF) << u"damaged"_s;
    {
        Document d = plain;
        d.tableStream = false;
        QTest::newRow("missing table stream") << wordFile(d) << u"missing"_s;
        d = plain;
        d.writeClx = false;
        QTest::newRow("no piece table") << wordFile(d) << u"text is damaged"_s;
    }
    {
        Document d = doc({narrow(u"one "_s), narrow(u"two\r"_s)});
        auto streams = wordStreams(d);
        qToLittleEndian<quint32>(1000, streams[1].data.data() + 9);
        QTest::newRow("piece table goes backwards")
            << compoundFile(streams).bytes << u"text is damaged"_s;
    }
}

void TestCMDocReader::refusals()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const CMReadResult result = CMDocReader::read(bytes);
    QVERIFY(!result);
    QVERIFY2(result.failure.contains(reason), qPrintable(result.failure));
}

void TestCMDocReader::containers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    const QString big = QString(6000, u'a') + u"\r"_s;
    const Document small = doc({narrow(u"Small\r"_s)});
    QTest::newRow("mini streams") << wordFile(small) << u"Small\n"_s;
    QTest::newRow("4096-byte sectors")
        << compoundFile(wordStreams(doc({narrow(big)})), 12).bytes << QString(6000, u'a') + u"\n"_s;
    auto streams = wordStreams(small);
    streams.push_back({u"Data"_s, QByteArray(7'500'000, '\0')});
    QTest::newRow("FAT listed in DIFAT sectors") << compoundFile(streams).bytes << u"Small\n"_s;
    streams = wordStreams(small);
    streams[0].name = u"WORDDOCUMENT"_s;
    QTest::newRow("stream names ignore case") << compoundFile(streams).bytes << u"Small\n"_s;
}

void TestCMDocReader::containers()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const CMReadResult result = CMDocReader::read(bytes);
    QVERIFY2(result, qPrintable(result.failure));
    QCOMPARE(*result.text, expected);
}

void TestCMDocReader::damagedContainers_data()
{
    QTest::addColumn<QByteArray>("bytes");

    // WordDocument is the first stream and large enough for ordinary sectors.
    const CompoundFile file =
        compoundFile(wordStreams(doc({narrow(QString(6000, u'a') + u"\r"_s)})));
    const quint32 first = file.startSectors[0];
    const QByteArray &b = file.bytes;
    QTest::newRow("stream chain loops") << patched(b, fatEntryOffset(file, first + 1), first);
    QTest::newRow("stream chain ends early") << patched(b, fatEntryOffset(file, first), 0xFFFFFFFE);
    QTest::newRow("stream chain leaves the file")
        << patched(b, fatEntryOffset(file, first), 0x00FFFFFF);
    QTest::newRow("directory chain loops")
        << patched(b, fatEntryOffset(file, file.directorySector), file.directorySector);
    QTest::newRow("stream larger than the file")
        << patched(b, ((file.directorySector + 1) << 9) + 128 + 120, 0x7FFFFFFF);
    QTest::newRow("FAT sector outside the file") << patched(b, 0x4C, 0x7FFFFFF);
    QTest::newRow("more FAT sectors than the file has") << patched(b, 0x2C, 0x100000);
    QTest::newRow("sector size not allowed") << patched(b, 0x1E, 10);
    QTest::newRow("truncated") << b.left(b.size() / 2);
    QTest::newRow("header only") << b.left(300);

    const CompoundFile small = compoundFile(wordStreams(doc({narrow(u"Small\r"_s)})));
    QTest::newRow("mini chain loops")
        << patched(small.bytes, (small.miniFatSector + 1) * 512 + 4 * small.startSectors[0],
                   small.startSectors[0]);

    auto streams = wordStreams(doc({narrow(u"Small\r"_s)}));
    streams.push_back({u"Data"_s, QByteArray(7'500'000, '\0')});
    const CompoundFile large = compoundFile(streams);
    const quint32 difat = qFromLittleEndian<quint32>(large.bytes.constData() + 0x44);
    QByteArray looping = patched(large.bytes, (qint64(difat) + 2) * 512 - 4, difat);
    QTest::newRow("DIFAT chain loops") << patched(looping, 0x2C, 300);
}

void TestCMDocReader::damagedContainers()
{
    QFETCH(QByteArray, bytes);
    const CMReadResult result = CMDocReader::read(bytes);
    QVERIFY(!result);
    QVERIFY2(result.failure.contains(u"damaged"_s), qPrintable(result.failure));
}

void TestCMDocReader::damageNeverCrashes()
{
    // Every single-byte change and many truncations of a small rich file: each gives text or
    // a reason, and the sanitizer build sees every access.
    const QByteArray original = wordFile(richDocument());
    const CMReadResult clean = CMDocReader::read(original);
    QVERIFY2(clean, qPrintable(clean.failure));
    QCOMPARE(*clean.text,
             u"Intro link text.\n\u041F\u0435\u0442 a\tb\n"_s + QString(3000, u'x') + u"\n"_s);
    for (qsizetype i = 0; i < original.size(); ++i) {
        QByteArray bytes = original;
        bytes[i] = char(bytes[i] ^ (i % 2 ? 0xFF : 0x41));
        const CMReadResult result = CMDocReader::read(bytes);
        QVERIFY(result || !result.failure.isEmpty());
    }
    for (qsizetype size = 0; size < original.size(); size += 61) {
        const CMReadResult result = CMDocReader::read(original.left(size));
        QVERIFY(result || !result.failure.isEmpty());
    }
}

void TestCMDocReader::fixtures_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(cmtest::sourcePath(u"tests/files/fixtures/doc"_s));
    for (const QString &name : dir.entryList({u"*.doc"_s}, QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestCMDocReader::fixtures()
{
    // Documents saved by another word processor, each with the text we expect beside it.
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const CMReadResult result = CMDocReader::read(file.readAll());
    QVERIFY2(result, qPrintable(result.failure));
    QCOMPARE(*result.text, readUtf8(path.chopped(4) + u".txt"_s));
}

void TestCMDocReader::corpus_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(cmtest::sourcePath(u"../shared/corpus/doc"_s));
    if (!dir.exists())
        QSKIP("the shared corpus is not beside the source tree");
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestCMDocReader::corpus()
{
    QFETCH(QString, path);
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const CMReadResult result = CMDocReader::read(file.readAll());

    static const QStringList encrypted = {u"poi-PasswordProtected.doc"_s,
                                          u"poi-password_tika_binaryrc4.doc"_s,
                                          u"poi-password_password_cryptoapi.doc"_s};
    if (encrypted.contains(name)) {
        QVERIFY(!result);
        QCOMPARE(result.failure, u"the document is encrypted"_s);
        return;
    }
    if (name == u"poi-word2.doc"_s || name.contains(u"clusterfuzz"_s)) {
        QVERIFY(!result);
        QVERIFY(!result.failure.isEmpty());
        return;
    }
    QVERIFY2(result, qPrintable(result.failure));

    // Loose agreement with other tools' extractions; they add footnote numbers, list
    // markers and deleted revisions, so the best of them is compared.
    const QString references = cmtest::sourcePath(u"../shared/corpus/reference/doc/"_s) + name;
    double best = -1;
    QStringList figures;
    for (const QString &tool : {u"soffice"_s, u"antiword"_s, u"catdoc"_s}) {
        const QString reference = readUtf8(references + u"."_s + tool + u".txt"_s);
        if (reference.isNull())
            continue;
        const double a = agreement(*result.text, reference);
        figures << u"%1 %2"_s.arg(tool).arg(a, 0, 'f', 3);
        best = std::max(best, a);
    }
    qInfo("%s: %s", qPrintable(name), qPrintable(figures.join(u", "_s)));
    // The footnote file's references all carry the note's number or body.
    QVERIFY2(best >= (name == u"poi-footnote.doc"_s ? 0.5 : 0.9),
             qPrintable(figures.join(u", "_s)));
}

QTEST_GUILESS_MAIN(TestCMDocReader)
#include "tst_cmdocreader.moc"
