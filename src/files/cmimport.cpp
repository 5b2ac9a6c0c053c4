#include "cmimport.h"

#include "cmdocreader.h"
#include "cmdocxreader.h"
#include "cmplaintext.h"
#include "cmrtfdreader.h"
#include "cmrtfreader.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace CMImport {

namespace {

enum class Reader { Plain, Rtf, Rtfd, Docx, Doc };

Reader readerFor(const QString &extension)
{
    const QString ext = extension.toLower();
    if (ext == u"docx")
        return Reader::Docx;
    if (ext == u"doc")
        return Reader::Doc;
    if (ext == u"rtf")
        return Reader::Rtf;
    if (ext == u"rtfd")
        return Reader::Rtfd;
    return Reader::Plain;
}

QString quoted(const QString &fileName)
{
    return u"\u201C"_s + fileName + u"\u201D"_s;
}

// "the ZIP container is damaged" reads as a sentence after "Details: ".
QString sentence(QString reason)
{
    reason = reason.trimmed();
    if (reason.isEmpty())
        return u"Unknown error."_s;
    reason[0] = reason[0].toUpper();
    if (!reason.endsWith(u'.') && !reason.endsWith(u'!') && !reason.endsWith(u'?'))
        reason += u'.';
    return reason;
}

Result failure(QString message)
{
    return {std::nullopt, OVError(std::move(message))};
}

QString displayName(const QString &path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(u'/'))
        trimmed.chop(1);
    return QFileInfo(trimmed).fileName();
}

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / (1024 * 1024));
}

// Reads a whole regular file, never more than `limit` bytes.
std::optional<QByteArray> readFile(const QString &path, qint64 limit, QString *reason)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *reason = info.isDir() ? u"it is a folder"_s : u"it is not a regular file"_s;
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return std::nullopt;
    }
    if (file.size() > limit) {
        *reason = u"the file is larger than %1 MB"_s.arg(megabytes(limit));
        return std::nullopt;
    }
    // In chunks: a file may grow while it is read, and a huge buffer up front costs as much
    // as the limit whatever the file's size.
    QByteArray bytes;
    bytes.reserve(qsizetype(file.size()));
    constexpr qint64 chunkBytes = 1024 * 1024;
    for (;;) {
        const QByteArray chunk = file.read(chunkBytes);
        if (chunk.isEmpty())
            break;
        bytes += chunk;
        if (bytes.size() > limit) {
            *reason = u"the file is larger than %1 MB"_s.arg(megabytes(limit));
            return std::nullopt;
        }
    }
    if (file.error() != QFileDevice::NoError) {
        *reason = file.errorString();
        return std::nullopt;
    }
    return bytes;
}

Result readDocument(const QString &name, Reader reader, const QByteArray &bytes)
{
    CMReadResult read;
    switch (reader) {
    case Reader::Docx: read = CMDocxReader::read(bytes); break;
    case Reader::Doc:
        // Word processors and web services often save rich text under a .doc name.
        read = bytes.startsWith("{\\rtf") ? CMRtfReader::read(bytes) : CMDocReader::read(bytes);
        break;
    case Reader::Rtf:
    case Reader::Rtfd: read = CMRtfReader::read(bytes); break;
    case Reader::Plain: Q_UNREACHABLE();
    }
    if (!read)
        return failure(couldNotOpenMessage(name, read.failure));
    QString text = normalise(std::move(*read.text));
    if (text.trimmed().isEmpty())
        return failure(noTextMessage(name));
    return {std::move(text), std::nullopt};
}

Result readPlain(const QString &name, const QByteArray &bytes)
{
    std::optional<QString> text = CMPlainText::decode(bytes);
    if (!text)
        return failure(notTextMessage(name));
    return {normalise(std::move(*text)), std::nullopt};
}

} // namespace

Result read(const QString &path)
{
    const QString name = displayName(path);
    const Reader reader = readerFor(QFileInfo(name).suffix());
    QString reason;
    if (reader == Reader::Plain) {
        if (QFileInfo(path).size() > maxPlainTextBytes)
            return failure(couldNotOpenMessage(
                name, u"the file is larger than %1 MB"_s.arg(megabytes(maxPlainTextBytes))));
        const auto bytes = readFile(path, maxPlainTextBytes, &reason);
        if (!bytes)
            return reason.startsWith(u"the file is larger"_s)
                       ? failure(couldNotOpenMessage(name, reason))
                       : failure(couldNotReadMessage(name));
        return readPlain(name, *bytes);
    }

    QString source = path;
    if (reader == Reader::Rtfd && QFileInfo(path).isDir()) {
        source = CMRtfdReader::textFile(path);
        if (source.isEmpty())
            return failure(couldNotOpenMessage(name, u"the RTFD package has no TXT.rtf in it"_s));
    }
    const auto bytes = readFile(source, maxFileBytes, &reason);
    if (!bytes)
        return failure(couldNotOpenMessage(name, reason));
    return readDocument(name, reader, *bytes);
}

Result readBytes(const QString &fileName, const QByteArray &bytes)
{
    const Reader reader = readerFor(QFileInfo(fileName).suffix());
    if (reader == Reader::Plain)
        return readPlain(fileName, bytes);
    return readDocument(fileName, reader, bytes);
}

QString normalise(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    text.replace(QChar(0x2028), u'\n');
    text.replace(QChar(0x00A0), u' ');
    text.remove(QChar(0xFEFF));
    return text;
}

QStringList nameFilters()
{
    return {u"Scripts (*.txt *.text *.md *.rtf *.rtfd *.docx *.doc)"_s,
            u"Plain text (*.txt *.text)"_s,
            u"Rich text (*.rtf *.rtfd)"_s,
            u"Word documents (*.docx *.doc)"_s,
            u"Markdown (*.md)"_s,
            u"All files (*)"_s};
}

QString couldNotReadMessage(const QString &fileName)
{
    return quoted(fileName) + u" couldn't be read."_s;
}

QString notTextMessage(const QString &fileName)
{
    return quoted(fileName) + u" couldn't be read as text."_s;
}

QString noTextMessage(const QString &fileName)
{
    return quoted(fileName) + u" has no text in it."_s;
}

QString couldNotOpenMessage(const QString &fileName, const QString &reason)
{
    return quoted(fileName)
           + u" couldn't be opened. It may be damaged or password-protected.\n\nDetails: "_s
           + sentence(reason);
}

} // namespace CMImport
