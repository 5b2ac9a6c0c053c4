#include "ovui.h"

#include <store/cmsettingsfile.h>

#include <algorithm>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString themeKey = u"ovs.ui.theme"_s;
const QString zoomKey = u"ovs.ui.zoom"_s;
constexpr double tolerance = 0.001;

} // namespace

OVUI::OVUI()
{
    restore();
}

OVUI *OVUI::shared()
{
    // Never destroyed: widgets that outlive main() may still disconnect from it.
    static OVUI *instance = new OVUI;
    return instance;
}

const QList<double> &OVUI::zoomSteps()
{
    static const QList<double> steps = {0.85, 0.9, 1.0, 1.1, 1.25, 1.4, 1.5, 1.75, 2.0};
    return steps;
}

double OVUI::nextZoom(double after)
{
    for (double step : zoomSteps()) {
        if (step > after + tolerance)
            return step;
    }
    return zoomSteps().last();
}

double OVUI::previousZoom(double before)
{
    const QList<double> &steps = zoomSteps();
    for (auto it = steps.crbegin(); it != steps.crend(); ++it) {
        if (*it < before - tolerance)
            return *it;
    }
    return steps.first();
}

double OVUI::restoredZoom(double stored)
{
    if (stored == 0 || std::isnan(stored))
        return 1.0;
    const double rounded = std::round(stored * 100) / 100; // halves away from zero
    return std::clamp(rounded, zoomSteps().first(), zoomSteps().last());
}

void OVUI::restore()
{
    const CMSettingsFile &settings = CMSettingsFile::shared();
    const QString id = settings.value(themeKey, OVTheme::all().first().id).toString();
    const double zoom = restoredZoom(settings.value(zoomKey).toDouble());
    const bool themeDiffers = OVTheme::named(id) != m_theme;
    const bool zoomDiffers = zoom != m_zoom;
    m_theme = OVTheme::named(id);
    m_zoom = zoom;
    if (themeDiffers)
        Q_EMIT themeChanged();
    if (zoomDiffers)
        Q_EMIT zoomChanged();
    if (themeDiffers || zoomDiffers)
        Q_EMIT changed();
}

void OVUI::setTheme(const OVTheme &theme)
{
    const OVTheme &known = OVTheme::named(theme.id);
    const bool differs = known != m_theme;
    m_theme = known;
    CMSettingsFile::shared().setValue(themeKey, m_theme.id);
    if (differs) {
        Q_EMIT themeChanged();
        Q_EMIT changed();
    }
}

void OVUI::setThemeId(const QString &id)
{
    setTheme(OVTheme::named(id));
}

void OVUI::setZoom(double zoom)
{
    // A zoom that is not a positive number would collapse or invert every window.
    if (!std::isfinite(zoom) || zoom <= 0)
        return;
    const bool differs = zoom != m_zoom;
    m_zoom = zoom;
    CMSettingsFile::shared().setValue(zoomKey, QString::number(m_zoom));
    if (differs) {
        Q_EMIT zoomChanged();
        Q_EMIT changed();
    }
}

void OVUI::zoomIn()
{
    setZoom(nextZoom(m_zoom));
}

void OVUI::zoomOut()
{
    setZoom(previousZoom(m_zoom));
}

void OVUI::actualSize()
{
    setZoom(1.0);
}

void OVUI::bind(QObject *context, const std::function<void()> &apply)
{
    apply();
    connect(this, &OVUI::changed, context, apply);
}
