#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// Documents the file tests and the benches build for themselves.
namespace cmfixture {

using Entry = std::pair<QString, QByteArray>;

// A ZIP archive of the entries, deflated, and encrypted (AES) when a password is given.
QByteArray zip(const QList<Entry> &entries, const char *password = nullptr);

enum class Namespaces { Transitional, Strict };

// The main document part around `body` (the content of w:body, prefix w:), with the w, mc,
// wps and v prefixes declared.
QByteArray documentXml(const QByteArray &body, Namespaces ns = Namespaces::Transitional);

// A complete DOCX package whose main part holds `body`, stored at `partName`.
QByteArray docx(const QByteArray &body, Namespaces ns = Namespaces::Transitional,
                const QString &partName = QStringLiteral("word/document.xml"));

} // namespace cmfixture
