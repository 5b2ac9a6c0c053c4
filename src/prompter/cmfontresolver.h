#pragma once

#include <QFont>
#include <QString>

#include <optional>

class QRawFont;

// Finds the face for a spoken-font name as the settings store it (a PostScript name): the
// installed face of exactly that name, else an open stand-in of the same role, else the bold
// system font. Results are cached for the life of the process; main thread only, except
// colorFaceFile().
namespace CMFontResolver {

enum class Source { Exact, StandIn, System };

struct Resolved
{
    QFont font; // family and style; the caller sets the size
    Source source = Source::System;
};

Resolved resolve(const QString &postScriptName);

// The PostScript name of the open face that stands in for a name, or an empty string.
QString standInFor(const QString &postScriptName);

// Family and style of the installed face with exactly this PostScript name, if any.
struct Face
{
    QString family;
    QString style;
    int weight = QFont::Normal; // OpenType scale, as QFont::Weight
    bool italic = false;
};
std::optional<Face> installedFace(const QString &postScriptName);

// The family of the colour emoji font fontconfig offers, or an empty string when none is
// installed.
QString colorEmojiFamily();

// The file and face index of an installed colour font (one that draws glyphs from colour
// images), given the family and style Qt reports for it; empty file for any other font.
struct FaceFile
{
    QByteArray file;
    int index = 0;
};
FaceFile colorFaceFile(const QString &family, const QString &style);

// The family of a font from a layout; empty for the stand-in Qt lays out where no font could
// be loaded at all, whose family QRawFont::familyName() cannot read.
QString familyOf(const QRawFont &font);

} // namespace CMFontResolver
