#pragma once

#include <QGlyphRun>
#include <QString>

#include <vector>

struct CMTextStyle;

enum class CMRowKind : quint8 { Blank, Cue, Spoken, Spacer, EndMark };
enum class CMTextRole : quint8 { Spoken, Cue, EndMark };

// One row of the prompter block laid out on the canvas: its height and, when built for
// drawing, the positioned glyphs of each wrapped line (row coordinates, canvas points).
// Measuring and drawing go through the same layout, so a row is always drawn exactly as tall
// as it was measured.
struct CMRowLayout
{
    struct Run
    {
        QGlyphRun glyphs;
        CMTextRole role = CMTextRole::Spoken;
    };
    struct Line
    {
        double top = 0;
        double height = 0;
        double width = 0; // natural width of the text on the line
        double ascent = 0;
        int textStart = 0; // the line's first character in the row's shown text
        std::vector<Run> runs;
    };

    double height = 0;
    std::vector<Line> lines;

    static CMRowLayout build(CMRowKind kind, const QString &text, const CMTextStyle &style,
                             bool withGlyphs = true);
    static double measure(CMRowKind kind, const QString &text, const CMTextStyle &style);
    // One unwrapped line of text in one font (the countdown digits).
    static CMRowLayout line(const QString &text, const QFont &font, CMTextRole role);

    // The kind of row a script line makes.
    static CMRowKind kindOf(QStringView line);

    qsizetype glyphCount() const;
};

// The end mark's text.
inline constexpr char16_t cmEndMarkText[] = u"\u2014 END \u2014";
