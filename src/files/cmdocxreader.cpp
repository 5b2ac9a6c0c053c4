#include "cmdocxreader.h"

#include "cmdocxtext.h"

#include <QDir>
#include <QUrl>
#include <QXmlStreamReader>

#include <memory>
#include <zip.h>

using namespace Qt::StringLiterals;

namespace CMDocxReader {

namespace {

constexpr qint64 maxRelationshipsBytes = 4 * 1024 * 1024;
constexpr qint64 chunkBytes = 64 * 1024;

struct ZipCloser
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct ZipFileCloser
{
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
using Archive = std::unique_ptr<zip_t, ZipCloser>;
using ArchiveFile = std::unique_ptr<zip_file_t, ZipFileCloser>;

QString zipFailure(int code)
{
    switch (code) {
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
    case ZIP_ER_ENCRNOTSUPP:
        return u"the document is encrypted with a password"_s;
    case ZIP_ER_COMPNOTSUPP:
        return u"the document is compressed in a way this app can't read"_s;
    case ZIP_ER_CRC:
        return u"the ZIP container is damaged (a checksum doesn't match)"_s;
    case ZIP_ER_NOZIP:
        return u"the file is not a complete ZIP package"_s;
    case ZIP_ER_MEMORY:
        return u"there is not enough memory"_s;
    default:
        return u"the ZIP container is damaged"_s;
    }
}

bool isCompoundFile(const QByteArray &bytes)
{
    return bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

// Streams one part of the package into a consumer, refusing it past `limit` bytes.
template<typename Consumer>
std::optional<QString> streamPart(zip_t *archive, zip_int64_t index, qint64 limit,
                                  Consumer &&consume)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, zip_uint64_t(index), 0, &stat) == 0
        && (stat.valid & ZIP_STAT_SIZE) && stat.size > zip_uint64_t(limit))
        return u"the document expands to more than %1 MB"_s.arg(limit / (1024 * 1024));

    ArchiveFile file(zip_fopen_index(archive, zip_uint64_t(index), 0));
    if (!file)
        return zipFailure(zip_error_code_zip(zip_get_error(archive)));
    QByteArray chunk(chunkBytes, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), chunk.data(), zip_uint64_t(chunk.size()));
        if (n < 0)
            return zipFailure(zip_error_code_zip(zip_file_get_error(file.get())));
        if (n == 0)
            return std::nullopt;
        total += n;
        if (total > limit)
            return u"the document expands to more than %1 MB"_s.arg(limit / (1024 * 1024));
        if (auto failure = consume(QByteArray(chunk.constData(), qsizetype(n))))
            return failure;
    }
}

zip_int64_t locate(zip_t *archive, const QString &name)
{
    return zip_name_locate(archive, name.toUtf8().constData(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
}

// The main document part named by the package relationships (its path in the package), or
// the usual path when the package has no usable relationship.
QString mainPartName(zip_t *archive, QString *failure)
{
    const QString fallback = u"word/document.xml"_s;
    const zip_int64_t relsIndex = locate(archive, u"_rels/.rels"_s);
    if (relsIndex < 0)
        return fallback;
    QByteArray rels;
    if (auto error = streamPart(archive, relsIndex, maxRelationshipsBytes,
                                [&rels](const QByteArray &chunk) -> std::optional<QString> {
                                    rels += chunk;
                                    return std::nullopt;
                                })) {
        *failure = *error;
        return {};
    }
    QXmlStreamReader xml(rels);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
            continue;
        const auto attrs = xml.attributes();
        const QStringView type = attrs.value(u"Type"_s);
        if (type != u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument"
            && type != u"http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument")
            continue;
        if (attrs.value(u"TargetMode"_s) == u"External")
            continue;
        QString target = QUrl::fromPercentEncoding(attrs.value(u"Target"_s).toUtf8());
        while (target.startsWith(u'/'))
            target.remove(0, 1);
        target = QDir::cleanPath(target);
        if (!target.isEmpty() && !target.startsWith(u".."_s))
            return target;
    }
    return fallback;
}

} // namespace

CMReadResult readDocumentXml(const QByteArray &xml)
{
    CMDocxText text(maxTextChars);
    if (!text.feed(xml) || !text.finish())
        return CMReadResult::fail(text.failure());
    return CMReadResult::ok(text.takeText());
}

CMReadResult read(const QByteArray &bytes, const Limits &limits)
{
    if (isCompoundFile(bytes)) {
        // Password-protected packages are stored inside a compound file.
        if (bytes.contains(QByteArray("E\0n\0c\0r\0y\0p\0t\0i\0o\0n\0I\0n\0f\0o\0", 28)))
            return CMReadResult::fail(u"the document is encrypted with a password"_s);
        return CMReadResult::fail(u"this is an older Word document (.doc), not a DOCX package"_s);
    }

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()),
                                                    0, &error);
    if (!source) {
        zip_error_fini(&error);
        return CMReadResult::fail(zipFailure(ZIP_ER_MEMORY));
    }
    Archive archive(zip_open_from_source(source, ZIP_RDONLY, &error));
    if (!archive) {
        const int code = zip_error_code_zip(&error);
        zip_source_free(source);
        zip_error_fini(&error);
        return CMReadResult::fail(zipFailure(code));
    }
    zip_error_fini(&error);

    QString failure;
    const QString partName = mainPartName(archive.get(), &failure);
    if (!failure.isEmpty())
        return CMReadResult::fail(failure);
    const zip_int64_t index = locate(archive.get(), partName);
    if (index < 0)
        return CMReadResult::fail(u"the package holds no Word document"_s);

    CMDocxText text(limits.textChars);
    if (auto streamFailure = streamPart(archive.get(), index, limits.expandedBytes,
                                        [&text](const QByteArray &chunk) -> std::optional<QString> {
                                            if (text.feed(chunk))
                                                return std::nullopt;
                                            return text.failure();
                                        }))
        return CMReadResult::fail(*streamFailure);
    if (!text.finish())
        return CMReadResult::fail(text.failure());
    return CMReadResult::ok(text.takeText());
}

} // namespace CMDocxReader
