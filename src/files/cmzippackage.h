#pragma once

#include "cmreader.h"

#include <QString>

#include <functional>
#include <optional>

struct zip;

// A ZIP package (DOCX, ODT) opened from a file or from memory, its parts found by name and
// streamed out in chunks. A part is refused past a limit, and also past the size the package's
// directory gives it: a part that inflates to more than its directory says is a zip bomb or
// damage, and stops there instead of at the limit.
class CMZipPackage
{
public:
    static std::optional<CMZipPackage> open(const CMSource &source, QString *reason);
    CMZipPackage(CMZipPackage &&other) noexcept;
    CMZipPackage &operator=(CMZipPackage &&) = delete;
    ~CMZipPackage();

    // The index of a part, ignoring case; -1 when there is none.
    qint64 locate(const QString &name) const;

    // Hands the part to `consume` in chunks; consume returns a reason to stop. The reason of
    // the first failure, or nullopt when the whole part went through.
    using Consumer = std::function<std::optional<QString>(QByteArrayView chunk)>;
    std::optional<QString> stream(qint64 index, qint64 limit, const Consumer &consume,
                                  CMReadProgress *progress = nullptr) const;
    // A small part whole.
    std::optional<QByteArray> read(qint64 index, qint64 limit, QString *reason) const;

    static QString expandsBeyond(qint64 limit);

private:
    explicit CMZipPackage(zip *archive) : m_archive(archive) {}

    zip *m_archive;
};
