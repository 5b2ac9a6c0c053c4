#include "cmodtreader.h"

#include "cmodttext.h"
#include "cmzippackage.h"

#include <QIODevice>

using namespace Qt::StringLiterals;

namespace CMOdtReader {

namespace {

constexpr qint64 maxSmallPartBytes = 16 * 1024 * 1024;

// Refuses the other OpenDocument kinds by name: a spreadsheet is not a script.
std::optional<QString> wrongKind(const QString &mimeType)
{
    static const QString prefix = u"application/vnd.oasis.opendocument."_s;
    if (mimeType.isEmpty() || !mimeType.startsWith(prefix))
        return std::nullopt;
    const QString kind = mimeType.mid(prefix.size());
    if (kind.startsWith(u"text"_s))
        return std::nullopt;
    static const QHash<QString, QString> names = {
        {u"spreadsheet"_s, u"a spreadsheet"_s},     {u"presentation"_s, u"a presentation"_s},
        {u"graphics"_s, u"a drawing"_s},             {u"chart"_s, u"a chart"_s},
        {u"formula"_s, u"a formula"_s},              {u"image"_s, u"an image"_s},
        {u"database"_s, u"a database"_s}};
    const QString base = kind.section(u'-', 0, 0);
    return u"the document is %1, not a text document"_s.arg(names.value(base, u"not text"_s));
}

CMReadResult finished(CMOdtText &text)
{
    if (!text.finish())
        return CMReadResult::fail(text.failure());
    if (const auto kind = wrongKind(text.mimeType()))
        return CMReadResult::fail(*kind);
    if (!text.sawBody())
        return CMReadResult::fail(u"the document has no text body"_s);
    return CMReadResult::ok(text.takeText());
}

} // namespace

CMReadResult read(const CMSource &source, CMReadProgress *progress)
{
    QString failure;
    const auto package = CMZipPackage::open(source, &failure);
    if (!package)
        return CMReadResult::fail(failure);

    const qint64 mimetype = package->locate(u"mimetype"_s);
    if (mimetype >= 0) {
        const auto type = package->read(mimetype, 256, &failure);
        if (!type)
            return CMReadResult::fail(failure);
        if (const auto kind = wrongKind(QString::fromUtf8(type->trimmed())))
            return CMReadResult::fail(*kind);
    }
    const qint64 manifest = package->locate(u"META-INF/manifest.xml"_s);
    if (manifest >= 0) {
        const auto bytes = package->read(manifest, maxSmallPartBytes, &failure);
        if (bytes && bytes->contains("encryption-data"))
            return CMReadResult::fail(u"the document is encrypted with a password"_s);
    }
    const qint64 content = package->locate(u"content.xml"_s);
    if (content < 0)
        return CMReadResult::fail(u"the package holds no OpenDocument text"_s);

    CMOdtText::Styles styles;
    const qint64 stylesPart = package->locate(u"styles.xml"_s);
    if (stylesPart >= 0) {
        // Only the styles matter here; a damaged styles part hides nothing.
        CMOdtText reader(0);
        const auto failed = package->stream(stylesPart, maxSmallPartBytes,
                                            [&reader](QByteArrayView chunk) -> std::optional<QString> {
                                                if (reader.feed(chunk))
                                                    return std::nullopt;
                                                return reader.failure();
                                            });
        if (!failed)
            styles = reader.takeStyles();
    }

    CMOdtText text(CMReadLimits::maxTextChars);
    text.setStyles(std::move(styles));
    if (auto streamFailure = package->stream(
            content, CMReadLimits::maxExpandedBytes,
            [&text](QByteArrayView chunk) -> std::optional<QString> {
                if (text.feed(chunk))
                    return std::nullopt;
                return text.failure();
            },
            progress))
        return CMReadResult::fail(*streamFailure);
    return finished(text);
}

CMReadResult readFlat(const CMSource &source, CMReadProgress *progress)
{
    CMOdtText text(CMReadLimits::maxTextChars);
    if (!source.isFile()) {
        text.feed(source.bytes());
        return finished(text);
    }
    QString reason;
    const auto device = source.open(&reason);
    if (!device)
        return CMReadResult::fail(reason);
    const qint64 total = device->size();
    qint64 done = 0;
    QByteArray chunk;
    for (;;) {
        if (progress && progress->cancelled())
            return CMReadResult::fail(CMReadProgress::cancelledReason());
        chunk = device->read(256 * 1024);
        if (chunk.isEmpty())
            break;
        done += chunk.size();
        if (done > CMReadLimits::maxExpandedBytes)
            return CMReadResult::fail(u"the file is larger than 256 MB"_s);
        if (progress)
            progress->report(done, total);
        if (!text.feed(chunk))
            break;
    }
    return finished(text);
}

} // namespace CMOdtReader
