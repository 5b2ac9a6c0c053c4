#include "cmhtmlreader.h"

#include "cmhtmltext.h"

#include <QIODevice>

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <cstring>
#include <mutex>

using namespace Qt::StringLiterals;

namespace CMHtmlReader {

namespace {

constexpr qsizetype headBytes = 4096;

bool startsWithNoCase(QByteArrayView text, QByteArrayView prefix)
{
    return text.size() >= prefix.size()
           && text.first(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
}

// Valid UTF-8, allowing a sequence cut off at the end.
bool validUtf8(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || (length == 2 && c < 0xC2))
            return false;
        for (int k = 1; k < length; ++k) {
            if (i + k >= bytes.size())
                return true;
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

// The value after `key` and '=' in a tag, quoted or not.
QByteArray valueAfter(QByteArrayView tag, QByteArrayView key)
{
    const qsizetype at = tag.toByteArray().toLower().indexOf(key);
    if (at < 0)
        return {};
    qsizetype i = at + key.size();
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '\n' || tag[i] == '\r'))
        ++i;
    if (i >= tag.size() || tag[i] != '=')
        return {};
    ++i;
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '"' || tag[i] == '\''))
        ++i;
    QByteArray value;
    while (i < tag.size() && value.size() < 40
           && (std::isalnum(static_cast<unsigned char>(tag[i])) || tag[i] == '-' || tag[i] == '_'
               || tag[i] == '.' || tag[i] == ':'))
        value += tag[i++];
    return value;
}

QByteArray declaredEncoding(QByteArrayView head)
{
    if (startsWithNoCase(head, "<?xml")) {
        const qsizetype end = head.indexOf("?>");
        const QByteArray value = valueAfter(head.first(end < 0 ? head.size() : end), "encoding");
        if (!value.isEmpty())
            return value;
    }
    const QByteArray lower = head.toByteArray().toLower();
    for (qsizetype at = lower.indexOf("<meta"); at >= 0; at = lower.indexOf("<meta", at + 5)) {
        const qsizetype end = lower.indexOf('>', at);
        const QByteArrayView tag = QByteArrayView(head).sliced(at, (end < 0 ? head.size() : end) - at);
        const QByteArray value = valueAfter(tag, "charset");
        if (!value.isEmpty())
            return value;
    }
    return {};
}

struct Context
{
    QIODevice *device;
    CMReadProgress *progress;
    qint64 read = 0;
    qint64 total = 0;
    bool tooLarge = false;
};

int readInput(void *context, char *buffer, int length)
{
    auto *input = static_cast<Context *>(context);
    if (input->progress && input->progress->cancelled())
        return -1;
    const qint64 n = input->device->read(buffer, length);
    if (n < 0)
        return -1;
    input->read += n;
    if (input->read > maxFileBytes) {
        input->tooLarge = true;
        return -1;
    }
    if (input->progress)
        input->progress->report(input->read, input->total);
    return int(n);
}

int closeInput(void *)
{
    return 0;
}

} // namespace

QByteArray encoding(QByteArrayView head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        return "UTF-8";
    if (head.startsWith("\xFF\xFE"))
        return "UTF-16LE";
    if (head.startsWith("\xFE\xFF"))
        return "UTF-16BE";
    QByteArray declared = declaredEncoding(head).toLower();
    // As browsers do: these labels mean Windows-1252, whose extra characters they often use.
    if (declared == "iso-8859-1" || declared == "latin1" || declared == "us-ascii"
        || declared == "ascii" || declared == "iso8859-1")
        declared = "windows-1252";
    if (!declared.isEmpty()) {
        if (xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(declared.constData())) {
            xmlCharEncCloseFunc(handler);
            return declared;
        }
    }
    return validUtf8(head) ? "UTF-8" : "windows-1252";
}

CMReadResult read(const CMSource &source, CMReadProgress *progress)
{
    // Imports run on threads of their own, two at once when one overtakes another: the
    // library's global state is set up once, before any parser uses it.
    static std::once_flag initialised;
    std::call_once(initialised, [] { xmlInitParser(); });
    if (source.size() > maxFileBytes)
        return CMReadResult::fail(u"the page is larger than %1 MB"_s.arg(maxFileBytes >> 20));
    QString reason;
    const auto device = source.open(&reason);
    if (!device)
        return CMReadResult::fail(reason);
    const QByteArray charset = encoding(device->peek(headBytes));

    htmlParserCtxtPtr parser = htmlNewParserCtxt();
    if (!parser)
        return CMReadResult::fail(u"there is not enough memory"_s);
    CMHtmlText text(parser, CMReadLimits::maxTextChars, maxDepth);
    Context input{device.get(), progress, 0, device->size()};
    htmlCtxtReadIO(parser, readInput, closeInput, &input, nullptr, charset.constData(),
                   HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
                       | HTML_PARSE_NOIMPLIED | HTML_PARSE_COMPACT);
    htmlFreeParserCtxt(parser);
    if (progress && progress->cancelled())
        return CMReadResult::fail(CMReadProgress::cancelledReason());
    if (input.tooLarge)
        return CMReadResult::fail(u"the page is larger than %1 MB"_s.arg(maxFileBytes >> 20));
    if (!text.failure().isEmpty())
        return CMReadResult::fail(text.failure());
    return CMReadResult::ok(text.takeText());
}

} // namespace CMHtmlReader
