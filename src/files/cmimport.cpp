#include "cmimport.h"

#include "cmdocreader.h"
#include "cmdocxreader.h"
#include "cmformat.h"
#include "cmhtmlreader.h"
#include "cmodtreader.h"
#include "cmpdfreader.h"
#include "cmplaintext.h"
#include "cmreader.h"
#include "cmrtfdreader.h"
#include "cmrtfreader.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace CMImport {

namespace {

using Format = CMFormat::Format;

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

QString tooLarge(qint64 limit)
{
    return u"the file is larger than %1 MB"_s.arg(limit / (1024 * 1024));
}

bool blank(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); });
}

Result readDocument(const QString &name, Format format, const CMSource &source,
                    CMReadProgress *progress)
{
    CMReadResult read;
    switch (format) {
    case Format::Docx: read = CMDocxReader::read(source, {}, progress); break;
    case Format::Doc: read = CMDocReader::read(source); break;
    case Format::Rtf: read = CMRtfReader::read(source, progress); break;
    case Format::Odt: read = CMOdtReader::read(source, progress); break;
    case Format::FlatOdt: read = CMOdtReader::readFlat(source, progress); break;
    case Format::Html: read = CMHtmlReader::read(source, progress); break;
    case Format::Pdf: read = CMPdfReader::read(source, progress); break;
    case Format::Plain: Q_UNREACHABLE();
    }
    if (progress && progress->cancelled())
        return {std::nullopt, std::nullopt, true};
    if (!read)
        return failure(couldNotOpenMessage(name, read.failure));
    QString text = normalise(std::move(*read.text));
    if (blank(text))
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

Result read(const QString &path, CMReadProgress *progress)
{
    const QString name = displayName(path);
    const QString extension = QFileInfo(name).suffix();
    const Format byName = CMFormat::fromExtension(extension);
    const auto refuse = [&](const QString &reason) {
        return byName == Format::Plain ? failure(couldNotReadMessage(name))
                                       : failure(couldNotOpenMessage(name, reason));
    };

    QString source = path;
    if (extension.compare(u"rtfd"_s, Qt::CaseInsensitive) == 0 && QFileInfo(path).isDir()) {
        source = CMRtfdReader::textFile(path);
        if (source.isEmpty())
            return failure(couldNotOpenMessage(name, u"the RTFD package has no TXT.rtf in it"_s));
    }
    QString reason;
    const CMSource file = CMSource::file(source);
    const auto device = file.open(&reason);
    if (!device)
        return refuse(reason);
    const Format format = CMFormat::detect(device->peek(CMFormat::headBytes), extension, file);
    const qint64 size = device->size();
    if (format == Format::Plain) {
        if (size > maxPlainTextBytes)
            return failure(couldNotOpenMessage(name, tooLarge(maxPlainTextBytes)));
        const auto bytes = file.readAll(maxPlainTextBytes, &reason);
        if (!bytes)
            return reason.startsWith(u"the file is larger"_s)
                       ? failure(couldNotOpenMessage(name, reason))
                       : failure(couldNotReadMessage(name));
        return readPlain(name, *bytes);
    }
    if (size > maxFileBytes)
        return failure(couldNotOpenMessage(name, tooLarge(maxFileBytes)));
    return readDocument(name, format, file, progress);
}

Result readBytes(const QString &fileName, const QByteArray &bytes)
{
    const CMSource source = CMSource::memory(bytes);
    const Format format = CMFormat::detect(QByteArrayView(bytes).first(
                                               std::min<qsizetype>(bytes.size(), CMFormat::headBytes)),
                                           QFileInfo(fileName).suffix(), source);
    if (format == Format::Plain)
        return readPlain(fileName, bytes);
    return readDocument(fileName, format, source, nullptr);
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
    return {u"Scripts (*.txt *.text *.md *.rtf *.rtfd *.docx *.doc *.odt *.fodt *.html *.htm "
            "*.xhtml *.pdf)"_s,
            u"Plain text (*.txt *.text)"_s,
            u"Rich text (*.rtf *.rtfd)"_s,
            u"Word documents (*.docx *.doc)"_s,
            u"OpenDocument text (*.odt *.fodt)"_s,
            u"Web pages (*.html *.htm *.xhtml)"_s,
            u"PDF documents (*.pdf)"_s,
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
