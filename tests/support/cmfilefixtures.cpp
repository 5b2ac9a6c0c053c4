#include "cmfilefixtures.h"

#include <QUrl>

#include <zip.h>

using namespace Qt::StringLiterals;

namespace cmfixture {

QByteArray zip(const QList<Entry> &entries, const char *password)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_source_keep(buffer);
    for (const auto &[name, data] : entries) {
        zip_source_t *part = zip_source_buffer(archive, data.constData(), zip_uint64_t(data.size()), 0);
        const zip_int64_t index = zip_file_add(archive, name.toUtf8().constData(), part,
                                               ZIP_FL_ENC_UTF_8);
        if (password)
            zip_file_set_encryption(archive, zip_uint64_t(index), ZIP_EM_AES_256, password);
    }
    zip_close(archive);

    QByteArray bytes;
    zip_stat_t stat;
    if (zip_source_open(buffer) == 0 && zip_source_stat(buffer, &stat) == 0) {
        bytes.resize(qsizetype(stat.size));
        zip_source_read(buffer, bytes.data(), stat.size);
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    zip_error_fini(&error);
    return bytes;
}

QByteArray documentXml(const QByteArray &body, Namespaces ns)
{
    const QByteArray w = ns == Namespaces::Strict
                             ? "http://purl.oclc.org/ooxml/wordprocessingml/main"
                             : "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<w:document xmlns:w=\"" + w + "\" "
           "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
           "xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\" "
           "xmlns:v=\"urn:schemas-microsoft-com:vml\"><w:body>"
           + body + "</w:body></w:document>";
}

QByteArray docx(const QByteArray &body, Namespaces ns, const QString &partName)
{
    const QByteArray type = ns == Namespaces::Strict
        ? "http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument"
        : "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
    const QByteArray rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" + type + "\" Target=\"/"
        + QUrl::toPercentEncoding(partName, "/") + "\"/></Relationships>";
    const QByteArray types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Override PartName=\"/" + partName.toUtf8() + "\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
    return zip({{u"[Content_Types].xml"_s, types},
                {u"_rels/.rels"_s, rels},
                {partName, documentXml(body, ns)}});
}

} // namespace cmfixture
