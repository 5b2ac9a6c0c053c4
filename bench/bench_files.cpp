#include "bench.h"

#include <cmfilefixtures.h>
#include <files/cmimport.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

// A script-like Word document whose main part is about `bytes` of XML, with formatting runs
// as a word processor writes them.
static QByteArray wordDocument(qint64 bytes)
{
    const QStringList lines = cmbench::makeScript(2000).split(u'\n');
    QByteArray body;
    int round = 0;
    while (body.size() < bytes) {
        for (const QString &line : lines) {
            body += "<w:p><w:pPr><w:spacing w:after=\"120\"/></w:pPr><w:r><w:rPr><w:b/></w:rPr>"
                    "<w:t xml:space=\"preserve\">"
                    + QString::number(round).toUtf8() + " </w:t></w:r><w:r><w:t>"
                    + line.toHtmlEscaped().toUtf8() + "</w:t></w:r></w:p>";
        }
        ++round;
    }
    return cmfixture::docx(body);
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
    const double ms = cmbench::medianMs(5, [&] {
        const CMImport::Result result = CMImport::read(path);
        chars = result ? result.text->size() : -1;
    });
    report(u"import_docx_5mb"_s, ms, u"ms"_s);
    report(u"import_docx_5mb_chars"_s, double(chars), u"count"_s);
    report(u"import_docx_5mb_file"_s, double(docx.size()), u"bytes"_s);
});
