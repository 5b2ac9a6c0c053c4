#pragma once

#include <QColor>
#include <QGradientStops>
#include <QLinearGradient>
#include <QList>
#include <QRectF>
#include <QString>

// A colour theme of the interface. Two themes are the same theme when their ids match;
// the colours take no part in the comparison.
struct OVTheme
{
    QString id;
    QString name;
    QColor deep;     // bottom of the window background, bottom of an unlit orb face
    QColor base;     // top of the window background, bottom of a panel
    QColor panel;    // face of raised panels
    QColor raised;   // top of raised panels, top of an unlit orb face
    QColor metalHi;  // highlight of metal and chrome
    QColor metalMid; // mid-tone of metal and chrome
    QColor metalLo;  // shadow band of metal and chrome
    QColor accent;   // lit and indicator colour, glows, the window tint
    QColor accent2;  // readouts, partner of accent in gradients
    QColor text;     // primary lettering
    QColor dim;      // captions, labels, unselected choices
    QColor well;     // floor of wells, readouts and tracks

    // The six themes in the order of the View menu; the first is the default and fallback.
    static const QList<OVTheme> &all();
    // The theme with this id, or the first theme when none has it.
    static const OVTheme &named(const QString &id);

    // Vertical metal gradients over `rect`, top edge to bottom edge.
    QLinearGradient chrome(const QRectF &rect) const;
    QLinearGradient chromeSoft(const QRectF &rect) const;
    QGradientStops chromeStops() const;
    QGradientStops chromeSoftStops() const;

    friend bool operator==(const OVTheme &a, const OVTheme &b) { return a.id == b.id; }
    friend bool operator!=(const OVTheme &a, const OVTheme &b) { return !(a == b); }
};

// `color` with its opacity multiplied by `opacity`.
QColor ovAlpha(const QColor &color, qreal opacity);
