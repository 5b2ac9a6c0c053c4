#include "cmzippackage.h"

#include <QFile>

#include <memory>
#include <zip.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 chunkBytes = 256 * 1024;

struct ZipFileCloser
{
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
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
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
        return u"the file can't be read"_s;
    default:
        return u"the ZIP container is damaged"_s;
    }
}

} // namespace

std::optional<CMZipPackage> CMZipPackage::open(const CMSource &source, QString *reason)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *zipSource =
        source.isFile()
            ? zip_source_file_create(QFile::encodeName(source.path()).constData(), 0, -1, &error)
            : zip_source_buffer_create(source.bytes().data(), zip_uint64_t(source.bytes().size()),
                                       0, &error);
    if (!zipSource) {
        *reason = zipFailure(zip_error_code_zip(&error));
        zip_error_fini(&error);
        return std::nullopt;
    }
    zip_t *archive = zip_open_from_source(zipSource, ZIP_RDONLY, &error);
    if (!archive) {
        *reason = zipFailure(zip_error_code_zip(&error));
        zip_source_free(zipSource);
        zip_error_fini(&error);
        return std::nullopt;
    }
    zip_error_fini(&error);
    return CMZipPackage(archive);
}

CMZipPackage::CMZipPackage(CMZipPackage &&other) noexcept
    : m_archive(std::exchange(other.m_archive, nullptr))
{
}

CMZipPackage::~CMZipPackage()
{
    if (m_archive)
        zip_discard(m_archive);
}

qint64 CMZipPackage::locate(const QString &name) const
{
    return zip_name_locate(m_archive, name.toUtf8().constData(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
}

QString CMZipPackage::expandsBeyond(qint64 limit)
{
    return u"the document expands to more than %1 MB"_s.arg(limit / (1024 * 1024));
}

std::optional<QString> CMZipPackage::stream(qint64 index, qint64 limit, const Consumer &consume,
                                            CMReadProgress *progress) const
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    qint64 declared = -1;
    if (zip_stat_index(m_archive, zip_uint64_t(index), 0, &stat) == 0
        && (stat.valid & ZIP_STAT_SIZE)) {
        if (stat.size > zip_uint64_t(limit))
            return expandsBeyond(limit);
        declared = qint64(stat.size);
    }

    ArchiveFile file(zip_fopen_index(m_archive, zip_uint64_t(index), 0));
    if (!file)
        return zipFailure(zip_error_code_zip(zip_get_error(m_archive)));
    QByteArray chunk(chunkBytes, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        if (progress && progress->cancelled())
            return CMReadProgress::cancelledReason();
        const zip_int64_t n = zip_fread(file.get(), chunk.data(), zip_uint64_t(chunk.size()));
        if (n < 0)
            return zipFailure(zip_error_code_zip(zip_file_get_error(file.get())));
        if (n == 0)
            return std::nullopt;
        total += n;
        if (total > limit)
            return expandsBeyond(limit);
        if (declared >= 0 && total > declared)
            return u"the ZIP container is damaged (a part is larger than its directory says)"_s;
        if (progress)
            progress->report(total, declared > 0 ? declared : limit);
        if (auto failure = consume(QByteArrayView(chunk.constData(), qsizetype(n))))
            return failure;
    }
}

std::optional<QByteArray> CMZipPackage::read(qint64 index, qint64 limit, QString *reason) const
{
    QByteArray bytes;
    if (auto failure = stream(index, limit, [&bytes](QByteArrayView chunk) -> std::optional<QString> {
            bytes += chunk;
            return std::nullopt;
        })) {
        *reason = *failure;
        return std::nullopt;
    }
    return bytes;
}
