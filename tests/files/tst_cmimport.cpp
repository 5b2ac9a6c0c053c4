#include "cmfilefixtures.h"

#include <files/cmimport.h>
#include <testsupport.h>

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString write(const QString &relative, const QByteArray &bytes)
{
    const QString path = QDir(cmtest::sandboxPath()).filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

QByteArray fixture(const QString &relative)
{
    QFile file(cmtest::sourcePath(u"tests/files/fixtures/"_s + relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray rtf = R"({\rtf1 From \b RTF\b0\par})"_ba;

} // namespace

// The importer's file side: which reader a path goes to, the user's messages, the limits.
class TestCMImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choosesTheReader_data();
    void choosesTheReader();
    void failures_data();
    void failures();
    void rtfdPackage();
    void nameFiltersOfferEveryKind();
};

void TestCMImport::choosesTheReader_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("script");

    const QByteArray docx = cmfixture::docx("<w:p><w:r><w:t>From Word</w:t></w:r></w:p>");
    QTest::newRow("TXT") << u"a.TXT"_s << "Hello"_ba << u"Hello"_s;
    QTest::newRow("no extension") << u"README"_s << "plain"_ba << u"plain"_s;
    QTest::newRow("other extension is text") << u"a.srt"_s << "1\n00:00:01 --> x"_ba
                                             << u"1\n00:00:01 --> x"_s;
    // What a file plainly is wins over its name.
    QTest::newRow("rich text under another name") << u"a.srt"_s << rtf << u"From RTF\n"_s;
    QTest::newRow("word package without extension") << u"Script"_s << docx << u"From Word\n"_s;
    QTest::newRow("word package named txt") << u"a.txt"_s << docx << u"From Word\n"_s;
    QTest::newRow("web page named txt")
        << u"page.txt"_s << "\n<!-- saved -->\n<!DOCTYPE html><html><body><p>From the\n web</p></body></html>"_ba
        << u"From the web\n"_s;
    QTest::newRow("pdf without extension") << u"scan"_s << fixture(u"pdf/news.pdf"_s)
                                           << QString::fromUtf8(fixture(u"pdf/news.txt"_s));
    QTest::newRow("word 97 document named txt") << u"letter.txt"_s << fixture(u"doc/letter.doc"_s)
                                                << QString::fromUtf8(fixture(u"doc/letter.txt"_s));
    QTest::newRow("markdown keeps its html")
        << u"read.md"_s << "<p align=\"center\">Title</p>\n\n# Head"_ba
        << u"<p align=\"center\">Title</p>\n\n# Head"_s;
    QTest::newRow("rtf") << u"a.rtf"_s << rtf << u"From RTF\n"_s;
    QTest::newRow("DOCX") << u"A.DOCX"_s << docx << u"From Word\n"_s;
    QTest::newRow("rtfd flat file") << u"a.rtfd"_s << rtf << u"From RTF\n"_s;
    QTest::newRow("rich text saved as doc") << u"a.doc"_s << rtf << u"From RTF\n"_s;
}

void TestCMImport::choosesTheReader()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const CMImport::Result result = CMImport::read(write(u"route/"_s + name, bytes));
    QVERIFY2(result, qPrintable(result.error ? result.error->message() : QString()));
    QTEST(*result.text, "script");
}

void TestCMImport::failures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");

    const QString sandbox = cmtest::sandboxPath();
    QTest::newRow("missing text file") << sandbox + u"/nowhere/Gone.txt"_s
                                       << u"“Gone.txt” couldn't be read."_s;
    QTest::newRow("folder named like text")
        << QFileInfo(write(u"dir.txt/x"_s, "x")).absolutePath() << u"“dir.txt” couldn't be read."_s;
    QTest::newRow("missing document")
        << sandbox + u"/nowhere/Gone.docx"_s
        << u"“Gone.docx” couldn't be opened. It may be damaged or password-protected.\n\n"
           "Details: No such file or directory."_s;
    QTest::newRow("doc goes to the Word 97 reader")
        << write(u"plain.doc"_s, "not a compound file")
        << u"“plain.doc” couldn't be opened. It may be damaged or password-protected.\n\n"
           "Details: "_s;
    QTest::newRow("rtfd without its text")
        << QFileInfo(write(u"Empty.rtfd/picture.png"_s, "png")).absolutePath()
        << u"“Empty.rtfd” couldn't be opened. It may be damaged or password-protected.\n\n"
           "Details: The RTFD package has no TXT.rtf in it."_s;
    // Sparse files: their size is all the importer may look at.
    const auto sparse = [](const QString &name, qint64 size) {
        QFile file(write(name, {}));
        return file.resize(size) ? file.fileName() : QString();
    };
    QTest::newRow("text file too large")
        << sparse(u"huge.txt"_s, CMImport::maxPlainTextBytes + 1)
        << u"“huge.txt” couldn't be opened. It may be damaged or password-protected.\n\n"
           "Details: The file is larger than 64 MB."_s;
    QTest::newRow("document too large")
        << sparse(u"huge.docx"_s, CMImport::maxFileBytes + 1)
        << u"“huge.docx” couldn't be opened. It may be damaged or password-protected.\n\n"
           "Details: The file is larger than 256 MB."_s;
}

void TestCMImport::failures()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    const CMImport::Result result = CMImport::read(path);
    QVERIFY(!result);
    // Only the start of the message when the details are the reader's own.
    if (message.endsWith(u"Details: "_s))
        QVERIFY2(result.error->message().startsWith(message), qPrintable(result.error->message()));
    else
        QCOMPARE(result.error->message(), message);
}

void TestCMImport::rtfdPackage()
{
    write(u"Script.rtfd/TXT.rtf"_s, R"({\rtf1 Package {{\NeXTGraphic a.png \width1})"_ba + "\xAC}" + R"(text\par})"_ba);
    write(u"Script.rtfd/a.png"_s, "png");
    for (const QString &suffix : {u""_s, u"/"_s}) {
        const CMImport::Result result = CMImport::read(QDir(cmtest::sandboxPath()).filePath(u"Script.rtfd"_s) + suffix);
        QVERIFY2(result, qPrintable(result.error ? result.error->message() : QString()));
        QCOMPARE(*result.text, u"Package text\n"_s);
    }
}

void TestCMImport::nameFiltersOfferEveryKind()
{
    const QString all = CMImport::nameFilters().first();
    for (const QString &ext : {u"txt"_s, u"text"_s, u"md"_s, u"rtf"_s, u"rtfd"_s, u"docx"_s,
                               u"doc"_s, u"odt"_s, u"fodt"_s, u"html"_s, u"htm"_s, u"xhtml"_s,
                               u"pdf"_s})
        QVERIFY2(all.contains(u"*."_s + ext + u' ') || all.contains(u"*."_s + ext + u')'),
                 qPrintable(ext));
}

QTEST_GUILESS_MAIN(TestCMImport)
#include "tst_cmimport.moc"
