#include "cmtextstyle.h"

#include "cmcanvasgeometry.h"
#include "cmfontresolver.h"

#include <engine/cmsettings.h>
#include <kit/ovfonts.h>

#include <QImage>

const QPaintDevice *CMTextStyle::device()
{
    static const QImage canvas = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(96 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &canvas;
}

QFont CMTextStyle::canvasFont(QFont font, double sizePt)
{
    font.setPointSizeF(OVFonts::pointSizeFor(sizePt));
    // Rows are laid out once in canvas points and drawn at every scale: hinting for one
    // pixel grid would make the wrapping depend on the screen.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

CMTextStyle CMTextStyle::fromSettings(const CMSettings &settings)
{
    const CMSettings s = settings.clamped();
    const double columnWidth = CMCanvasGeometry::make({}, s).columnWidth;
    CMTextStyle style;
    style.fontSize = s.fontSize;
    style.rowGap = s.fontSize * (s.lineSpacing - 1) + 4;
    style.wrapGap = s.fontSize * (s.lineSpacing - 1);
    style.blankHeight = s.fontSize * 0.6;
    style.columnWidth = std::max(columnWidth, 1.0);
    style.uppercase = s.uppercase;
    style.spokenFont = canvasFont(CMFontResolver::resolve(s.fontName).font, s.fontSize);
    style.cueFont = canvasFont(
        OVFonts::font(s.fontSize * 0.55, QFont::DemiBold, OVDesign::Rounded, true),
        s.fontSize * 0.55);
    style.endMarkFont = canvasFont(
        OVFonts::font(s.fontSize * 0.5, QFont::ExtraBold, OVDesign::Rounded), s.fontSize * 0.5);
    return style;
}
