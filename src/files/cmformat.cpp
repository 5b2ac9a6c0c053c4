#include "cmformat.h"

#include "cmzippackage.h"

using namespace Qt::StringLiterals;

namespace CMFormat {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
}

QByteArrayView skipBlanks(QByteArrayView head)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.sliced(3);
    while (!head.isEmpty() && isSpace(head.front()))
        head = head.sliced(1);
    return head;
}

bool startsWithNoCase(QByteArrayView text, QByteArrayView prefix)
{
    return text.size() >= prefix.size()
           && QByteArrayView(text.first(prefix.size())).compare(prefix, Qt::CaseInsensitive) == 0;
}

// The first tag after blanks, comments and an XML declaration.
QByteArrayView firstTag(QByteArrayView head)
{
    for (;;) {
        head = skipBlanks(head);
        const bool comment = head.startsWith("<!--");
        if (!comment && !head.startsWith("<?"))
            return head;
        const qsizetype end = head.indexOf(comment ? QByteArrayView("-->") : QByteArrayView("?>"));
        if (end < 0)
            return {};
        head = head.sliced(end + (comment ? 3 : 2));
    }
}

bool looksLikeHtml(QByteArrayView head)
{
    const QByteArrayView tag = firstTag(head);
    for (const QByteArrayView name : {QByteArrayView("<!doctype html"), QByteArrayView("<html"),
                                      QByteArrayView("<head"), QByteArrayView("<body")}) {
        if (startsWithNoCase(tag, name)
            && (tag.size() == name.size() || isSpace(tag[name.size()]) || tag[name.size()] == '>'))
            return true;
    }
    return false;
}

bool looksLikeFlatOdt(QByteArrayView head)
{
    return firstTag(head).startsWith("<office:document") && head.contains("opendocument");
}

Format zipFormat(const CMSource &source, Format byName)
{
    QString reason;
    const auto package = CMZipPackage::open(source, &reason);
    if (!package)
        return byName == Format::Odt ? Format::Odt : Format::Docx;
    const qint64 mimetype = package->locate(u"mimetype"_s);
    if (mimetype >= 0) {
        const auto type = package->read(mimetype, 256, &reason);
        if (type && type->startsWith("application/vnd.oasis.opendocument"))
            return Format::Odt;
    }
    if (package->locate(u"word/document.xml"_s) >= 0 || package->locate(u"_rels/.rels"_s) >= 0)
        return Format::Docx;
    if (package->locate(u"content.xml"_s) >= 0)
        return Format::Odt;
    return byName == Format::Odt ? Format::Odt : Format::Docx;
}

} // namespace

Format fromExtension(const QString &extension)
{
    const QString ext = extension.toLower();
    if (ext == u"docx")
        return Format::Docx;
    if (ext == u"doc")
        return Format::Doc;
    if (ext == u"rtf" || ext == u"rtfd")
        return Format::Rtf;
    if (ext == u"odt")
        return Format::Odt;
    if (ext == u"fodt")
        return Format::FlatOdt;
    if (ext == u"html" || ext == u"htm" || ext == u"xhtml")
        return Format::Html;
    if (ext == u"pdf")
        return Format::Pdf;
    return Format::Plain;
}

Format detect(QByteArrayView head, const QString &extension, const CMSource &source)
{
    const Format byName = fromExtension(extension);
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06"))
        return zipFormat(source, byName);
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return Format::Doc;
    if (head.first(std::min<qsizetype>(head.size(), 1024)).contains("%PDF-"))
        return Format::Pdf;
    if (skipBlanks(head).startsWith("{\\rtf"))
        return Format::Rtf;
    const QString ext = extension.toLower();
    if (ext != u"md" && ext != u"markdown") {
        if (looksLikeHtml(head))
            return Format::Html;
        if (looksLikeFlatOdt(head))
            return Format::FlatOdt;
    }
    return byName;
}

} // namespace CMFormat
