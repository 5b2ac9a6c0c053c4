#include <files/cmhtmlreader.h>
#include <files/cmimport.h>

#include <QTest>

using namespace Qt::StringLiterals;

// The HTML reader: how a page's markup becomes script lines, which encodings it honours, and
// what it leaves out. The fixtures (tst_cmcorpus) hold whole pages from LibreOffice and pandoc.
class TestCMHtmlReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
    void encoding_data();
    void encoding();
};

void TestCMHtmlReader::reads_data()
{
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QString>("expected"); // the script, or the start of the message

    QTest::newRow("blocks are lines, white space collapses")
        << "<html><head><title>T</title><style>p{}</style><script>x()</script></head><body>"
           "<h1>Title</h1>\n  <p>One\n   two <b>bold</b>  three</p><div>Four<br>five<br><br>six</div>"
           "<ul><li>item</li><li>item <i>two</i></li></ul></body></html>"_ba
        << u"Title\nOne two bold three\nFour\nfive\n\nsix\nitem\nitem two\n"_s;
    QTest::newRow("pre keeps its lines and spaces")
        << "<p>a</p><pre>  x  y\n z</pre><p>b</p>"_ba << u"a\n  x  y\n z\nb\n"_s;
    QTest::newRow("entities decoded")
        << "<p>caf&eacute; &amp; &lt;b&gt; &#8212; &#x1F600;&nbsp;x&shy;y</p>"_ba
        << u"café & <b> — \U0001F600 xy\n"_s;
    QTest::newRow("tables: a line per row, cells apart by tabs")
        << "<table><tr><th>Item</th><th>Who</th></tr><tr><td><p>Bridge</p></td><td><p>Anna</p>"
           "<p>and Ben</p></td></tr></table><p>after</p>"_ba
        << u"Item\tWho\nBridge\tAnna\nand Ben\nafter\n"_s;
    QTest::newRow("hidden, deleted and not-body markup left out")
        << "<style>.gone { color: red; display : none }</style>"
           "<p>a<span hidden>1</span><span style=\"display: none\">2</span><span class=\"x gone\">3</span>"
           "<del>4</del><ins>b</ins><sup><a class=\"footnote-ref\" href=\"#fn1\">5</a></sup></p>"
           "<div title=\"header\">Header</div><div style=\"mso-element:footer\">Footer</div>"
           "<section class=\"footnotes\"><p>Note</p></section><noscript>no</noscript>"
           "<template><p>t</p></template><p>c</p>"_ba
        << u"ab\nc\n"_s;
    QTest::newRow("unclosed tags as a browser reads them")
        << "<p>one<p>two<li>three<table><tr><td>x<td>y</table>"_ba << u"one\ntwo\nthree\nx\ty\n"_s;
    QTest::newRow("xhtml") << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>"
                              "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>X<br/>Y</p></body></html>"_ba
                           << u"X\nY\n"_s;

    const QString opened = u"“s.html” couldn't be opened. It may be damaged or password-protected.\n\nDetails: "_s;
    QTest::newRow("nested too deep")
        << "<body>"_ba + QByteArray("<b>").repeated(CMHtmlReader::maxDepth + 10) + "x"
        << opened + u"The page's elements are nested more than 5000 deep."_s;
    QTest::newRow("only scripts and pictures")
        << "<html><body><script>var a;</script><img src=a.png alt=A></body></html>"_ba
        << u"“s.html” has no text in it."_s;
}

void TestCMHtmlReader::reads()
{
    QFETCH(QByteArray, html);
    QFETCH(QString, expected);
    const CMImport::Result result = CMImport::readBytes(u"s.html"_s, html);
    const QString outcome = result ? *result.text : result.error->message();
    if (expected.endsWith(u"Details: "_s))
        QVERIFY2(outcome.startsWith(expected), qPrintable(outcome));
    else
        QCOMPARE(outcome, expected);
}

void TestCMHtmlReader::encoding_data()
{
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QString>("text");

    QTest::newRow("undeclared UTF-8") << "<p>na\xC3\xAFve</p>"_ba << "UTF-8"_ba << u"naïve\n"_s;
    QTest::newRow("undeclared bytes that are not UTF-8")
        << "<p>caf\xE9 \x93q\x94</p>"_ba << "windows-1252"_ba << u"café “q”\n"_s;
    QTest::newRow("declared Latin-1 means Windows-1252")
        << "<meta charset=\"ISO-8859-1\"><p>\x93q\x94</p>"_ba << "windows-1252"_ba << u"“q”\n"_s;
    QTest::newRow("declared in http-equiv")
        << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\"><p>\xF0\xD2\xC9</p>"_ba
        << "koi8-r"_ba << u"При\n"_s;
    QTest::newRow("byte-order mark wins")
        << "\xEF\xBB\xBF<meta charset=\"windows-1252\"><p>\xC3\xA9</p>"_ba << "UTF-8"_ba << u"é\n"_s;
    QTest::newRow("XML declaration")
        << "<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?><html><p>\xA4</p></html>"_ba
        << "iso-8859-15"_ba << u"€\n"_s;
}

void TestCMHtmlReader::encoding()
{
    QFETCH(QByteArray, html);
    QFETCH(QByteArray, encoding);
    QFETCH(QString, text);
    QCOMPARE(CMHtmlReader::encoding(html), encoding);
    const CMImport::Result result = CMImport::readBytes(u"page.htm"_s, html);
    QVERIFY2(result, qPrintable(result.error ? result.error->message() : QString()));
    QCOMPARE(*result.text, text);
}

QTEST_GUILESS_MAIN(TestCMHtmlReader)
#include "tst_cmhtmlreader.moc"
