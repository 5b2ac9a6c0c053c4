#pragma once

#include <QFont>

class QPaintDevice;
struct CMSettings;

// Everything that decides how the script's rows wrap and how tall they are on the
// 1920-point canvas, derived from the settings. Colours are not part of it: a new colour
// scheme redraws the rows but never measures them again.
struct CMTextStyle
{
    QFont spokenFont;
    QFont cueFont;
    QFont endMarkFont;
    double fontSize = 72;
    double rowGap = 22;
    double wrapGap = 18;
    double blankHeight = 43.2;
    double columnWidth = 1459.2;
    bool uppercase = false;

    static constexpr double spacerHeight = 40;

    // The settings are clamped first, so stored absurd values still give a usable style. The
    // column is the canvas between the two margins.
    static CMTextStyle fromSettings(const CMSettings &settings);

    // Text is laid out against this device: 96 dots per inch, so a font's size in Qt points
    // maps to canvas points whatever the screens report.
    static const QPaintDevice *device();

    // A copy of font at a size in canvas points.
    static QFont canvasFont(QFont font, double sizePt);

    friend bool operator==(const CMTextStyle &, const CMTextStyle &) = default;
};
