#include "cmdocxreader.h"

#include "cmdocxtext.h"
#include "cmzippackage.h"

#include <QDir>
#include <QUrl>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace CMDocxReader {

namespace {

constexpr qint64 maxRelationshipsBytes = 4 * 1024 * 1024;

// The main document part named by the package relationships (its path in the package), or
// the usual path when the package has no usable relationship.
QString mainPartName(const CMZipPackage &package, QString *failure)
{
    const QString fallback = u"word/document.xml"_s;
    const qint64 relsIndex = package.locate(u"_rels/.rels"_s);
    if (relsIndex < 0)
        return fallback;
    const auto rels = package.read(relsIndex, maxRelationshipsBytes, failure);
    if (!rels)
        return {};
    // A small part read whole, so the stream reader sees it at once.
    QXmlStreamReader xml(*rels);
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

CMReadResult readDocumentXml(QByteArrayView xml)
{
    CMDocxText text(maxTextChars);
    if (!text.feed(xml) || !text.finish())
        return CMReadResult::fail(text.failure());
    return CMReadResult::ok(text.takeText());
}

CMReadResult read(const CMSource &source, const Limits &limits, CMReadProgress *progress)
{
    QString failure;
    const auto package = CMZipPackage::open(source, &failure);
    if (!package)
        return CMReadResult::fail(failure);

    const QString partName = mainPartName(*package, &failure);
    if (!failure.isEmpty())
        return CMReadResult::fail(failure);
    const qint64 index = package->locate(partName);
    if (index < 0)
        return CMReadResult::fail(u"the package holds no Word document"_s);

    CMDocxText text(limits.textChars);
    const auto consume = [&text](QByteArrayView chunk) -> std::optional<QString> {
        if (text.feed(chunk))
            return std::nullopt;
        return text.failure();
    };
    if (auto streamFailure = package->stream(index, limits.expandedBytes, consume, progress))
        return CMReadResult::fail(*streamFailure);
    if (!text.finish())
        return CMReadResult::fail(text.failure());
    return CMReadResult::ok(text.takeText());
}

} // namespace CMDocxReader
