#include <files/cmxmlscanner.h>

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Writes every event down, so two readings of one document can be compared.
class Recorder : public CMXmlScanner::Handler
{
public:
    CMXmlScanner *scanner = nullptr;
    QString log;
    QString pendingText;

    void startElement(int ns, QByteArrayView name) override
    {
        flushText();
        log += u"<%1:%2"_s.arg(ns).arg(QString::fromUtf8(name));
        for (const char *attribute : {"a", "b", "val"}) {
            const QString value = scanner->attribute(attribute);
            if (!value.isNull())
                log += u" %1=%2"_s.arg(QLatin1StringView(attribute), value);
        }
        log += u'>';
    }
    void endElement(int ns, QByteArrayView name) override
    {
        flushText();
        log += u"</%1:%2>"_s.arg(ns).arg(QString::fromUtf8(name));
    }
    // Pieces of one text run are joined: where the scanner cuts them is its own business.
    void characters(QStringView text) override { pendingText += text; }
    bool wantsCharacters() const override { return true; }
    void flushText()
    {
        if (!pendingText.isEmpty())
            log += u'[' + pendingText + u']';
        pendingText.clear();
    }
};

// The events of `xml` fed in pieces of `piece` bytes (all at once when 0), or the failure.
QString scan(const QByteArray &xml, qsizetype piece, int maxDepth = 50)
{
    Recorder recorder;
    CMXmlScanner scanner({"urn:a", "urn:b"}, recorder, maxDepth);
    recorder.scanner = &scanner;
    if (piece == 0) {
        scanner.feed(xml);
    } else {
        for (qsizetype at = 0; at < xml.size(); at += piece)
            scanner.feed(QByteArrayView(xml).sliced(at, std::min(piece, xml.size() - at)));
    }
    if (!scanner.finish())
        return u"failed: "_s + scanner.failure();
    recorder.flushText();
    return recorder.log;
}

} // namespace

// The XML scanner under the document readers: what it reports, whatever the chunks.
class TestCMXmlScanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void events_data();
    void events();
    void longTokensCostNoMemory();
};

void TestCMXmlScanner::events_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("events"); // or the start of the failure

    const QByteArray ns = R"(xmlns:a="urn:a" xmlns:b="urn:b")";
    QTest::newRow("elements, attributes, namespaces")
        << R"(<?xml version="1.0"?><a:r )"_ba + ns
               + R"( a:a="1"><b:x b='2 > 1'/><a:y xmlns:a="urn:b" val="v"/><z>t</z></a:r>)"
        << u"<0:r a=1><1:x b=2 > 1></1:x><1:y val=v></1:y><-1:z>[t]</-1:z></0:r>"_s;
    QTest::newRow("default namespace and unknown prefixes")
        << R"(<r xmlns="urn:b"><q:x xmlns:q="urn:other"/><u:y/></r>)"_ba
        << u"<1:r></1:r>"_s.replace(u"</1:r>"_s, u"<-2:x></-2:x><-2:y></-2:y></1:r>"_s);
    QTest::newRow("entities and character references")
        << "<r>a &amp; b &lt;&gt;&quot;&apos; &#233;&#x1F600; \xC3\xA9</r>"_ba
        << u"<-1:r>[a & b <>\"' é\U0001F600 é]</-1:r>"_s;
    QTest::newRow("entities in attributes") << R"(<r a="x&amp;y&#33;"/>)"_ba
                                            << u"<-1:r a=x&y!></-1:r>"_s;
    QTest::newRow("comments and instructions skipped")
        << "<r>a<!-- x -- > --->b<?pi ?? >?>c<!---->d</r><!-- after -->"_ba
        << u"<-1:r>[abcd]</-1:r>"_s;
    QTest::newRow("cdata is text as it stands")
        << "<r>a<![CDATA[<b>&amp;]] ]]]]>c</r>"_ba << u"<-1:r>[a<b>&amp;]] ]]c]</-1:r>"_s;
    QTest::newRow("utf-8 byte-order mark") << "\xEF\xBB\xBF<r>x</r>"_ba << u"<-1:r>[x]</-1:r>"_s;
    QTest::newRow("utf-16 little endian")
        << QByteArray("\xFF\xFE<\0r\0>\0\xE9\0<\0/\0r\0>\0", 18) << u"<-1:r>[é]</-1:r>"_s;
    QTest::newRow("invalid utf-8 is replaced") << "<r>a\xFF" "b</r>"_ba
                                               << u"<-1:r>[a\uFFFDb]</-1:r>"_s;

    QTest::newRow("mismatched end tag") << "<r><a></b></r>"_ba << u"failed: the document's XML is damaged"_s;
    QTest::newRow("unknown entity") << "<r>&nbsp;</r>"_ba << u"failed: the document's XML is damaged"_s;
    QTest::newRow("document type") << "<!DOCTYPE r [<!ENTITY x 'y'>]><r/>"_ba
                                   << u"failed: the document's XML is damaged"_s;
    QTest::newRow("second root") << "<r/><s/>"_ba << u"failed: the document's XML is damaged"_s;
    QTest::newRow("text outside") << "x<r/>"_ba << u"failed: the document's XML is damaged"_s;
    QTest::newRow("stray markup") << "<r><1/></r>"_ba << u"failed: the document's XML is damaged"_s;
    QTest::newRow("cut off in an element") << "<r><a>x</a>"_ba << u"failed: the document's XML ends too early"_s;
    QTest::newRow("cut off in a comment") << "<r/><!-- x"_ba << u"failed: the document's XML ends too early"_s;
    QTest::newRow("empty") << QByteArray() << u"failed: the document's XML ends too early"_s;
    QTest::newRow("too deep") << QByteArray("<a>").repeated(51) + QByteArray("</a>").repeated(51)
                              << u"failed: the document's XML is nested more than 50 deep"_s;
}

void TestCMXmlScanner::events()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, events);
    // Every way of cutting the document into chunks gives the same events.
    for (const qsizetype piece : {qsizetype(0), qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(7)}) {
        const QString got = scan(xml, piece);
        if (events.startsWith(u"failed: "_s))
            QVERIFY2(got.startsWith(events), qPrintable(u"piece %1: %2"_s.arg(piece).arg(got)));
        else
            QCOMPARE(got, events);
    }
}

void TestCMXmlScanner::longTokensCostNoMemory()
{
    // Comments, instructions and tags longer than a chunk stream through; a tag past the cap
    // keeps its start and its end.
    const QByteArray filler(3 * 1024 * 1024, 'x');
    const QByteArray xml = "<r><!--" + filler + "--><?p " + filler + "?><e a=\"1\" z=\"" + filler
                           + "\" b=\"2\"/>t</r>";
    QCOMPARE(scan(xml, 64 * 1024), u"<-1:r><-1:e a=1></-1:e>[t]</-1:r>"_s);
}

QTEST_GUILESS_MAIN(TestCMXmlScanner)
#include "tst_cmxmlscanner.moc"
