#include "cmfilefixtures.h"

#include <files/cmdocxreader.h>
#include <files/cmimport.h>

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray p(const QByteArray &runs)
{
    return "<w:p>" + runs + "</w:p>";
}

QByteArray r(const QByteArray &text)
{
    return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

} // namespace

// The DOCX reader: what of a WordprocessingML body becomes script text, and which packages
// are refused.
class TestCMDocxReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
    void limits();
};

void TestCMDocxReader::reads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // The script, or the user's message; only its start when it ends in "Details: ".
    QTest::addColumn<QString>("expected");
    // Both vocabularies of the format read the same.
    const auto add = [](const char *name, const QByteArray &body, const QString &script) {
        QTest::addRow("%s", name) << cmfixture::docx(body) << script;
        QTest::addRow("%s, strict", name) << cmfixture::docx(body, cmfixture::Namespaces::Strict)
                                          << script;
    };
    const auto fld = [](const char *type) -> QByteArray {
        return "<w:fldChar w:fldCharType=\"" + QByteArray(type) + "\"/>";
    };

    add("paragraphs", p(r("One")) + p(r("Two ") + r("runs")), u"One\nTwo runs\n"_s);
    add("breaks and tabs",
        p(r("a") + "<w:r><w:br/><w:t>b</w:t><w:cr/><w:tab/><w:t>c</w:t></w:r>"), u"a\nb\n\tc\n"_s);
    add("tab stops are not tabs",
        "<w:p><w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>" + r("x")
            + "</w:p>",
        u"x\n"_s);
    add("hyphens and no-break space",
        p("<w:r><w:t>soft</w:t><w:softHyphen/><w:t>ware non</w:t><w:noBreakHyphen/>"
          "<w:t>stop\xC2\xA0here</w:t></w:r>"),
        u"software non‑stop here\n"_s);
    add("symbols",
        p("<w:r><w:sym w:font=\"Symbol\" w:char=\"F0B7\"/><w:sym w:font=\"Symbol\" "
          "w:char=\"F061\"/><w:sym w:font=\"Wingdings\" w:char=\"F0FC\"/>"
          "<w:sym w:font=\"Arial\" w:char=\"00E9\"/></w:r>"),
        u"•α✓é\n"_s);
    add("table cells and rows",
        "<w:tbl><w:tblPr/><w:tblGrid/><w:tr><w:tc><w:tcPr/>" + p(r("A")) + "</w:tc><w:tc>"
            + p(r("B")) + "</w:tc></w:tr><w:tr><w:tc>" + p(r("C")) + p(r("c2")) + "</w:tc><w:tc>"
            + p("") + "</w:tc></w:tr></w:tbl>" + p(r("after")),
        u"A\tB\nC\nc2\t\nafter\n"_s);
    add("tracked changes: deletions out, insertions in",
        p(r("keep ") + "<w:del><w:r><w:delText>gone </w:delText></w:r></w:del>"
                       "<w:ins><w:r><w:t>new</w:t></w:r></w:ins>"
                       "<w:moveFrom><w:r><w:t>moved away</w:t></w:r></w:moveFrom>")
            + p("<w:moveTo><w:r><w:t>moved here</w:t></w:r></w:moveTo>"),
        u"keep new\nmoved here\n"_s);
    add("deleted paragraph mark joins paragraphs",
        "<w:p><w:pPr><w:rPr><w:del w:id=\"1\"/></w:rPr></w:pPr>" + r("one ") + "</w:p>"
            + p(r("two")),
        u"one two\n"_s);
    add("complex field keeps its result",
        p("<w:r>" + fld("begin") + "<w:instrText> HYPERLINK \"http://x\" </w:instrText>"
          + fld("separate") + "</w:r>" + r("the site") + "<w:r>" + fld("end") + "</w:r>" + r(".")),
        u"the site.\n"_s);
    add("nested field in an instruction",
        p("<w:r>" + fld("begin") + "<w:instrText>IF </w:instrText>" + fld("begin")
          + "<w:instrText>PAGE</w:instrText>" + fld("separate") + "<w:t>3</w:t>" + fld("end")
          + "<w:instrText> = 3</w:instrText>" + fld("separate") + "<w:t>yes</w:t>" + fld("end")
          + "</w:r>"),
        u"yes\n"_s);
    add("simple field", p("<w:fldSimple w:instr=\" DATE \">" + r("today") + "</w:fldSimple>"),
        u"today\n"_s);
    add("hidden text left out",
        p(r("seen") + "<w:r><w:rPr><w:vanish/></w:rPr><w:t>hidden</w:t></w:r>"
                      "<w:r><w:rPr><w:vanish w:val=\"false\"/></w:rPr><w:t> too</w:t></w:r>"),
        u"seen too\n"_s);
    add("note and comment references are not text",
        p(r("a") + "<w:r><w:footnoteReference w:id=\"1\"/></w:r>"
                   "<w:r><w:commentReference w:id=\"0\"/></w:r>" + r("b")),
        u"ab\n"_s);
    add("content controls",
        "<w:sdt><w:sdtPr><w:alias w:val=\"x\"/><w:placeholder><w:docPart w:val=\"y\"/>"
        "</w:placeholder></w:sdtPr><w:sdtContent>" + p(r("inside")) + "</w:sdtContent></w:sdt>",
        u"inside\n"_s);
    add("text box once",
        p(r("before") + "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing>"
                        "<wps:txbx><w:txbxContent>" + p(r("boxed")) + "</w:txbxContent></wps:txbx>"
                        "</w:drawing></mc:Choice><mc:Fallback><w:pict><v:textbox><w:txbxContent>"
          + p(r("boxed")) + "</w:txbxContent></v:textbox></w:pict></mc:Fallback>"
                            "</mc:AlternateContent></w:r>" + r("after")),
        u"before\nboxed\nafter\n"_s);
    add("section properties are not text",
        p(r("x")) + "<w:sectPr><w:headerReference r:id=\"rId1\" xmlns:r=\"urn:r\"/></w:sectPr>",
        u"x\n"_s);
    add("entities and unicode", p(r("a &amp; b &lt;c&gt; \xE2\x80\x94 \xF0\x9F\x98\x80")),
        u"a & b <c> — \U0001F600\n"_s);
    // The main part is wherever the package's relationships say.
    for (const QString &part : {u"content/main part.xml"_s, u"doc.xml"_s})
        QTest::addRow("main part at %s", qPrintable(part))
            << cmfixture::docx(p(r("found")), cmfixture::Namespaces::Transitional, part)
            << u"found\n"_s;
    const QString noText = u"“s.DOCX” has no text in it."_s;
    add("empty body", "", noText);
    add("only a picture",
        p("<w:r><w:drawing><wp:inline xmlns:wp=\"urn:wp\"/></w:drawing></w:r>"), noText);
    add("only blanks and empty cells",
        p(r("   ")) + "<w:tbl><w:tr><w:tc>" + p("") + "</w:tc><w:tc>" + p("")
            + "</w:tc></w:tr></w:tbl>",
        noText);

    const QString opened = u"“s.DOCX” couldn't be opened. It may be damaged or password-protected.\n\nDetails: "_s;
    const QByteArray good = cmfixture::docx(p(r("text")));
    QByteArray corrupt = good;
    corrupt[corrupt.indexOf("word/document.xml") + 40] ^= 0x55;
    QTest::newRow("not a zip") << "just text"_ba << opened + u"The file is not a complete ZIP package."_s;
    QTest::newRow("truncated") << good.left(good.size() / 2)
                               << opened + u"The file is not a complete ZIP package."_s;
    QTest::newRow("zip entries with a password")
        << cmfixture::zip({{u"word/document.xml"_s, cmfixture::documentXml(p(r("secret")))}}, "pw")
        << opened + u"The document is encrypted with a password."_s;
    QTest::newRow("no document part") << cmfixture::zip({{u"other.xml"_s, "<x/>"_ba}})
                                      << opened + u"The package holds no Word document."_s;
    QTest::newRow("malformed xml")
        << cmfixture::zip({{u"word/document.xml"_s, "<w:document><w:body></w:document>"_ba}})
        << opened;
    QTest::newRow("cut-off xml")
        << cmfixture::zip({{u"word/document.xml"_s, cmfixture::documentXml(p(r("a"))).chopped(20)}})
        << opened + u"The document's XML ends too early."_s;
    QTest::newRow("damaged data") << corrupt << opened;
}

void TestCMDocxReader::reads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const CMImport::Result result = CMImport::readBytes(u"s.DOCX"_s, bytes);
    const QString outcome = result ? *result.text : result.error->message();
    if (expected.endsWith(u"Details: "_s))
        QVERIFY2(outcome.startsWith(expected), qPrintable(outcome));
    else
        QCOMPARE(outcome, expected);
}

void TestCMDocxReader::limits()
{
    const QByteArray package = cmfixture::docx(p(r(QByteArray(200'000, 'x'))));
    QVERIFY(CMDocxReader::read(package));
    CMDocxReader::Limits expansion;
    expansion.expandedBytes = 100'000;
    CMDocxReader::Limits text;
    text.textChars = 1000;
    // The expansion is refused from the size the package declares, before anything is
    // inflated.
    for (const auto &[limits, failure] :
         {std::pair(expansion, u"the document expands to more than"_s),
          std::pair(text, u"the document's text is longer"_s)}) {
        const CMReadResult result = CMDocxReader::read(package, limits);
        QVERIFY(!result);
        QVERIFY2(result.failure.startsWith(failure), qPrintable(result.failure));
    }
    const QByteArray deep =
        QByteArray("<w:sdt>").repeated(6000) + QByteArray("</w:sdt>").repeated(6000);
    const CMReadResult nested = CMDocxReader::read(cmfixture::docx(deep));
    QVERIFY2(!nested && nested.failure.contains(u"nested more than"_s), qPrintable(nested.failure));
}

QTEST_GUILESS_MAIN(TestCMDocxReader)
#include "tst_cmdocxreader.moc"
