#include "ovfonts.h"

#include "ovui.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace OVFonts {

namespace {

QString firstInstalled(const QStringList &candidates, const QString &fallback)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString &name : candidates) {
        if (installed.contains(name, Qt::CaseInsensitive))
            return name;
    }
    return fallback;
}

} // namespace

QString family(OVDesign design)
{
    switch (design) {
    case OVDesign::Rounded: {
        static const QString rounded = firstInstalled(
            {u"Quicksand"_s, u"Comfortaa"_s},
            QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
        return rounded;
    }
    case OVDesign::Monospaced: {
        static const QString mono = firstInstalled(
            {u"DejaVu Sans Mono"_s, u"Liberation Mono"_s},
            QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
        return mono;
    }
    case OVDesign::Serif: {
        static const QString serif =
            firstInstalled({u"DejaVu Serif"_s, u"Liberation Serif"_s}, u"serif"_s);
        return serif;
    }
    case OVDesign::Default:
        break;
    }
    static const QString general = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    return general;
}

qreal pointSizeFor(qreal size)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen && screen->logicalDotsPerInchY() > 0 ? screen->logicalDotsPerInchY()
                                                                    : 96.0;
    return (size > 0 ? size : 1) * 72.0 / dpi;
}

QFont font(qreal size, QFont::Weight weight, OVDesign design, bool italic)
{
    QFont f(family(design));
    f.setPointSizeF(pointSizeFor(size));
    f.setWeight(weight);
    f.setItalic(italic);
    if (design == OVDesign::Monospaced)
        f.setStyleHint(QFont::Monospace);
    return f;
}

} // namespace OVFonts

QFont ovFont(qreal size, QFont::Weight weight, OVDesign design)
{
    return OVFonts::font(size * OVUI::shared()->zoom(), weight, design);
}

QFont ovMono(qreal size, QFont::Weight weight)
{
    return ovFont(size, weight, OVDesign::Monospaced);
}

void ovBindFont(QWidget *widget, qreal size, QFont::Weight weight, OVDesign design)
{
    OVUI::shared()->bind(widget, [widget, size, weight, design] {
        widget->setFont(ovFont(size, weight, design));
    });
}
