#include "bench.h"

#include <cmfilefixtures.h>
#include <files/cmimport.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

// A Word document of about `bytes` on disk, as a word processor writes it (a paragraph per
// line, formatting runs). Words are drawn from random syllables so that the package does not
// compress better than real prose would.
static QByteArray wordDocument(qint64 bytes)
{
    static const char *const syllables[] = {"ka", "lo", "mi", "ne", "ru", "ta", "shi", "bo",
                                            "den", "var", "ol", "pre", "sen", "ter", "ca", "mo"};
    quint32 seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    QByteArray body;
    QByteArray package;
    // The package compresses this XML about ninefold; grow the body until the file is large
    // enough, checking rarely.
    qint64 target = bytes * 9;
    for (;;) {
        while (body.size() < target) {
            body += "<w:p><w:pPr><w:spacing w:after=\"120\"/></w:pPr><w:r><w:rPr><w:b/></w:rPr>"
                    "<w:t xml:space=\"preserve\">";
            for (int w = 0, words = 6 + int(next() % 10); w < words; ++w) {
                if (w == 3)
                    body += "</w:t></w:r><w:r><w:t xml:space=\"preserve\">";
                for (int k = 0, n = 1 + int(next() % 3); k < n; ++k)
                    body += syllables[next() % 16];
                body += ' ';
            }
            body += "</w:t></w:r></w:p>";
        }
        package = cmfixture::docx(body);
        if (package.size() >= bytes)
            return package;
        target += (bytes - package.size()) * body.size() / std::max<qsizetype>(package.size(), 1) + 4096;
    }
}

CM_BENCH("import_docx_5mb", [](const cmbench::Report &report) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(u"bench.docx"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    const QByteArray docx = wordDocument(5LL * 1024 * 1024);
    file.write(docx);
    file.close();
    qsizetype chars = 0;
    const double ms = cmbench::medianMs(3, [&] {
        const CMImport::Result result = CMImport::read(path);
        chars = result ? result.text->size() : -1;
    });
    report(u"import_docx_5mb"_s, ms, u"ms"_s);
    report(u"import_docx_5mb_chars"_s, double(chars), u"count"_s);
    report(u"import_docx_5mb_file"_s, double(docx.size()), u"bytes"_s);
});
