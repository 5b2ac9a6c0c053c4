#include "bench.h"
#include "docfixture.h"

#include <files/cmdocreader.h>

using namespace Qt::StringLiterals;

CM_BENCH("import_doc_5mb", [](const cmbench::Report &report) {
    const QByteArray file = cmdocfixture::largeDocument(5 * 1024 * 1024);
    qsizetype characters = 0;
    const double ms = cmbench::medianMs(11, [&] {
        const CMReadResult result = CMDocReader::read(file);
        characters = result ? result.text->size() : -1;
    });
    report(u"import_doc_5mb"_s, ms, u"ms"_s);
    report(u"import_doc_5mb_file"_s, double(file.size()) / (1024 * 1024), u"MiB"_s);
    report(u"import_doc_5mb_characters"_s, double(characters), u"count"_s);
});
