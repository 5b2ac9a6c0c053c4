#pragma once

#include <QFont>
#include <QString>

class QWidget;

// The font designs of the interface, chosen once for the whole application: the platform's
// default sans, a rounded sans and a monospaced face.
//
// Sizes are design points, which are logical pixels, like every other length of the
// interface: a size of 11 gives letters that fit 11-pixel geometry, whatever the font DPI
// (Qt's own points are 4/3 pixels at the usual 96 DPI). Interface zoom is applied by the
// callers that follow it.
enum class OVDesign { Default, Rounded, Monospaced, Serif };

namespace OVFonts {

QString family(OVDesign design);
QFont font(qreal size, QFont::Weight weight, OVDesign design, bool italic = false);

// Qt point size for a design size.
qreal pointSizeFor(qreal size);

} // namespace OVFonts

// Lettering of the kit: a font of `size` design points times the current interface zoom.
QFont ovFont(qreal size, QFont::Weight weight = QFont::Normal, OVDesign design = OVDesign::Default);
QFont ovMono(qreal size, QFont::Weight weight = QFont::Normal);

// Gives a plain widget (an editor, a picker) kit lettering and keeps it at the current zoom.
void ovBindFont(QWidget *widget, qreal size, QFont::Weight weight = QFont::Normal,
                OVDesign design = OVDesign::Default);
