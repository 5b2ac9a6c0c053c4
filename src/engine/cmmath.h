#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <span>

// Pure functions and constant tables about scripts and their look.
namespace CMMath {

struct Segment
{
    QString text;
    bool cue = false; // a bracketed run, brackets included

    friend bool operator==(const Segment &, const Segment &) = default;
};

enum class LineClass { Blank, Cue, Spoken };

struct Rgb
{
    double r = 0, g = 0, b = 0;
};

struct Palette
{
    QString name;
    Rgb text;
    Rgb background;
};

struct FontChoice
{
    QString name;  // PostScript name, as stored in CMSettings::fontName
    QString label; // what the font picker shows
};

// Splits text into spoken runs and "[...]" cue runs. Brackets do not nest; an unclosed "["
// is ordinary text.
QList<Segment> segments(QStringView text);

// Spoken words of a whole script: runs of non-space characters outside cues. A cue may span
// lines. One linear pass, no allocation.
qint64 words(QStringView script);

// Blank, cue line or spoken line, after trimming spaces and tabs from both ends.
LineClass lineClass(QStringView line);

// Seconds to read the given number of words at 150 words per minute.
double readingTime(qint64 words);

// Space separators (general category Zs) and the tab: what line trimming removes.
bool isLineSpace(QChar c);

std::span<const Palette> palettes();
std::span<const FontChoice> fonts();

// The palette for a stored colour index, clamped into the table.
const Palette &palette(qint64 index);

} // namespace CMMath
