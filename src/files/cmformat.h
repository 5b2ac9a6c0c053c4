#pragma once

#include <QByteArrayView>
#include <QString>

class CMSource;

// Which reader a document goes to: what its first bytes plainly show, else its extension.
namespace CMFormat {

enum class Format { Plain, Rtf, Docx, Doc, Odt, FlatOdt, Html, Pdf };

// How much of the file's start detect() looks at.
constexpr qsizetype headBytes = 4096;

// The reader of a lower- or upper-case extension; Plain for every extension without one.
Format fromExtension(const QString &extension);

// The reader for a document whose first bytes are `head`. A ZIP package is opened to tell a
// Word package from an OpenDocument one. HTML and flat OpenDocument are recognised by their
// first tag, except in Markdown files, whose HTML is part of their text.
Format detect(QByteArrayView head, const QString &extension, const CMSource &source);

} // namespace CMFormat
