#pragma once

#include <QColor>
#include <QFont>

class QAbstractScrollArea;
class QHBoxLayout;
class QLabel;
class QLayout;
class QVBoxLayout;
class QWidget;
enum class OVDesign;

// Small pieces shared by the main window's views: box layouts whose spacing and margins follow
// the interface zoom, kit-lettered labels, and the fixed signal colours.
namespace CMLayout {

// The spacing the platform gives a row or column when none is named, in design points.
constexpr qreal defaultSpacingPt = 8;

// A row or column without margins whose spacing is `spacingPt`·z, kept current for as long as
// `owner` lives.
QHBoxLayout *row(QWidget *owner, qreal spacingPt = defaultSpacingPt);
QVBoxLayout *column(QWidget *owner, qreal spacingPt = defaultSpacingPt);
// Margins of `leftPt`, `topPt`, `rightPt`, `bottomPt` times the zoom.
void bindMargins(QWidget *owner, QLayout *layout, qreal leftPt, qreal topPt, qreal rightPt,
                 qreal bottomPt);
// A fixed width of `widthPt`·z.
void bindWidth(QWidget *widget, qreal widthPt);

// A label in kit lettering, coloured with the theme's `dim` (true) or `text` colour.
QLabel *label(const QString &text, qreal sizePt, QFont::Weight weight, OVDesign design,
              bool dim);

// Thin scroll bars in the theme's metal, without arrows or a track, that leave the surface
// below them visible.
void slimScrollBars(QAbstractScrollArea *area);

} // namespace CMLayout

// Signal colours that do not follow the theme.
namespace CMColors {

QColor green();
QColor orange();
QColor red();

} // namespace CMColors
