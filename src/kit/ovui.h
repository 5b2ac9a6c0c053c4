#pragma once

#include "ovtheme.h"

#include <QList>
#include <QObject>

#include <functional>

// The interface state shared by every window: the colour theme and the interface zoom.
// One instance for the whole process; every change is stored at once ("ovs.ui.theme",
// "ovs.ui.zoom" in the default QSettings) and announced, so all windows redraw together.
class OVUI : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString themeId READ themeId WRITE setThemeId NOTIFY themeChanged)
    Q_PROPERTY(double zoom READ zoom WRITE setZoom NOTIFY zoomChanged)

public:
    static OVUI *shared();

    // The zoom ladder, ascending: 0.85 … 2.0.
    static const QList<double> &zoomSteps();
    // The first step above `after`, else the largest step.
    static double nextZoom(double after);
    // The last step below `before`, else the smallest step.
    static double previousZoom(double before);
    // A stored zoom as it is used at start-up: missing (0) or unreadable gives 1.0; otherwise
    // rounded to two decimals and kept within the ladder's ends.
    static double restoredZoom(double stored);

    const OVTheme &theme() const { return m_theme; }
    QString themeId() const { return m_theme.id; }
    void setTheme(const OVTheme &theme);
    // Unknown ids give the first theme.
    void setThemeId(const QString &id);

    double zoom() const { return m_zoom; }
    // Stores any value; the zoom commands below only produce ladder steps.
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();
    void actualSize();

    // A design length in points at the current zoom.
    qreal z(qreal points) const { return points * m_zoom; }

    // Reads the stored theme and zoom again with the start-up rules, without writing them.
    void restore();

    // Runs `apply` now and after every change of theme or zoom, for as long as `context`
    // lives: the way to keep zoomed spacings, fonts and colours of plain widgets current.
    void bind(QObject *context, const std::function<void()> &apply);

Q_SIGNALS:
    void themeChanged();
    void zoomChanged();
    // After either of the two above.
    void changed();

private:
    OVUI();

    OVTheme m_theme;
    double m_zoom = 1.0;
};
