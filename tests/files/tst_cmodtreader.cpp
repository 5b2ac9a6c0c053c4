#include "cmfilefixtures.h"

#include <files/cmimport.h>

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray ns =
    R"(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
    R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
    R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
    R"(xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" )"
    R"(xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" )"
    R"(xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0")";

QByteArray content(const QByteArray &body, const QByteArray &styles = {})
{
    return "<?xml version=\"1.0\"?><office:document-content " + ns
           + "><office:automatic-styles>" + styles
           + "</office:automatic-styles><office:body><office:text>" + body
           + "</office:text></office:body></office:document-content>";
}

QByteArray package(const QByteArray &contentXml,
                   const QByteArray &mimetype = "application/vnd.oasis.opendocument.text",
                   const QList<cmfixture::Entry> &more = {})
{
    QList<cmfixture::Entry> entries = {{u"mimetype"_s, mimetype}, {u"content.xml"_s, contentXml}};
    entries += more;
    return cmfixture::zip(entries);
}

QByteArray hiddenStyle(const QByteArray &name, const QByteArray &family, const QByteArray &parent = {})
{
    return "<style:style style:name=\"" + name + "\" style:family=\"" + family + "\""
           + (parent.isEmpty() ? QByteArray() : " style:parent-style-name=\"" + parent + "\"")
           + ">" + (parent.isEmpty() ? "<style:text-properties text:display=\"none\"/>" : "")
           + "</style:style>";
}

} // namespace

// The OpenDocument reader: what of a text body becomes script text, and which packages are
// refused. The fixtures (tst_cmcorpus) hold whole documents from LibreOffice and pandoc.
class TestCMOdtReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
};

void TestCMOdtReader::reads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // the script, or the start of the message

    const auto add = [](const char *row, const QByteArray &body, const QString &script,
                        const QByteArray &styles = {}) {
        QTest::addRow("%s", row) << u"s.odt"_s << package(content(body, styles)) << script;
        // The flat form reads the same.
        QTest::addRow("%s, flat", row)
            << u"s.fodt"_s
            << "<office:document " + ns + " office:mimetype=\"application/vnd.oasis.opendocument.text\">"
                   "<office:automatic-styles>" + styles + "</office:automatic-styles><office:body>"
                   "<office:text>" + body + "</office:text></office:body></office:document>"
            << script;
    };
    add("paragraphs and headings",
        "<text:h text:outline-level=\"1\">Title</text:h><text:p>One</text:p><text:p/>"
        "<text:p>Two</text:p>",
        u"Title\nOne\n\nTwo\n"_s);
    add("white space collapses, text:s and tabs do not",
        "<text:p>  a \n  b<text:s text:c=\"3\"/>c<text:tab/>d<text:line-break/>e\u00ADf</text:p>",
        u"a b   c\td\nef\n"_s);
    add("a hostile space count is capped", "<text:p>a<text:s text:c=\"2000000000\"/>b</text:p>",
        u"a"_s + QString(1000, u' ') + u"b\n"_s);
    add("deletions, notes and comments left out",
        "<text:tracked-changes><text:changed-region text:id=\"c\"><text:deletion><text:p>gone"
        "</text:p></text:deletion></text:changed-region></text:tracked-changes>"
        "<text:p>kept<text:change text:change-id=\"c\"/> text<text:note><text:note-citation>1"
        "</text:note-citation><text:note-body><text:p>note</text:p></text:note-body></text:note>"
        "<office:annotation><text:p>comment</text:p></office:annotation>.</text:p>",
        u"kept text.\n"_s);
    add("hidden styles, through their parents",
        "<text:p>a<text:span text:style-name=\"T1\">hidden</text:span><text:span "
        "text:style-name=\"T2\">also</text:span>b</text:p><text:p text:style-name=\"P1\">gone</text:p>",
        u"ab\n"_s,
        hiddenStyle("T1", "text") + hiddenStyle("H", "text") + hiddenStyle("T2", "text", "H")
            + hiddenStyle("P1", "paragraph"));
    add("tables: a line per row, cells apart by tabs",
        "<table:table><table:table-row><table:table-cell><text:p>A</text:p></table:table-cell>"
        "<table:covered-table-cell/><table:table-cell><text:p>B</text:p><text:p>B2</text:p>"
        "</table:table-cell></table:table-row></table:table><text:p>after</text:p>",
        u"A\tB\nB2\nafter\n"_s);
    add("text boxes come in once, pictures never",
        "<text:p>before<draw:frame><draw:text-box><text:p>boxed</text:p></draw:text-box>"
        "</draw:frame><draw:frame><draw:image><office:binary-data>iVBORw0K</office:binary-data>"
        "</draw:image><svg:title>alt</svg:title></draw:frame>after</text:p>",
        u"before\nboxed\nafter\n"_s);
    add("lists keep their text, not their labels",
        "<text:list><text:list-item><text:number>1.</text:number><text:p>First</text:p>"
        "</text:list-item></text:list>",
        u"First\n"_s);

    const QString opened = u"“s.odt” couldn't be opened. It may be damaged or password-protected.\n\nDetails: "_s;
    QTest::newRow("spreadsheet")
        << u"s.odt"_s << package(content("<text:p>x</text:p>"), "application/vnd.oasis.opendocument.spreadsheet")
        << opened + u"The document is a spreadsheet, not a text document."_s;
    QTest::newRow("encrypted")
        << u"s.odt"_s
        << package("binary", "application/vnd.oasis.opendocument.text",
                   {{u"META-INF/manifest.xml"_s, "<manifest:encryption-data/>"_ba}})
        << opened + u"The document is encrypted with a password."_s;
    QTest::newRow("no content") << u"s.odt"_s << cmfixture::zip({{u"other.xml"_s, "<x/>"_ba}})
                                << opened + u"The package holds no OpenDocument text."_s;
    QTest::newRow("cut-off xml") << u"s.odt"_s << package(content("<text:p>a</text:p>").chopped(30))
                                 << opened + u"The document's XML ends too early."_s;
    QTest::newRow("nothing but blanks") << u"s.odt"_s << package(content("<text:p>  </text:p>"))
                                        << u"“s.odt” has no text in it."_s;
}

void TestCMOdtReader::reads()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const CMImport::Result result = CMImport::readBytes(name, bytes);
    const QString outcome = result ? *result.text : result.error->message();
    if (expected.endsWith(u"Details: "_s))
        QVERIFY2(outcome.startsWith(expected), qPrintable(outcome));
    else
        QCOMPARE(outcome, expected);
}

QTEST_GUILESS_MAIN(TestCMOdtReader)
#include "tst_cmodtreader.moc"
