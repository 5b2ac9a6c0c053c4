#pragma once

#include "ovgeometry.h"
#include "ovhalo.h"

#include <QList>
#include <QWidget>

// The grain of brushed metal: full-width horizontal hairlines of varying opacity.
struct BrushedLines
{
    struct Bar
    {
        qreal top;
        qreal opacity;

        friend bool operator==(const Bar &, const Bar &) = default;
    };

    static constexpr qreal barHeight = 0.6;
    static constexpr qreal pitch = 1.6;

    // The bars that fit a canvas this high, top to bottom.
    static QList<Bar> bars(qreal height);
    // Draws the bars over `rect` at the painter's opacity (not scaled by zoom).
    static void paint(QPainter &p, const QRectF &rect);
};

// A raised brushed-metal surface. Its content is laid out as usual (setLayout); the panel pads
// it by `padding` at the current zoom and draws its face, grain, sheen, border and shadow.
class OVPanel : public OVHaloWidget<QWidget>
{
    Q_OBJECT

public:
    explicit OVPanel(QWidget *parent = nullptr);
    OVPanel(qreal radius, qreal padding, QWidget *parent = nullptr);

    qreal radius() const { return m_radius; }
    qreal padding() const { return m_padding; }
    void setRadius(qreal radius);
    void setPadding(qreal padding);
    OVPanelGeometry panelGeometry() const;

    QMarginsF haloMargins() const override;
    void paintHalo(QPainter &painter) const override;

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;

private:
    void applyZoom();

    qreal m_radius = 16;
    qreal m_padding = 12;
};

// A sunken surface: a dark floor with a rim and an inner shadow drawn over its content, which
// is clipped to the well's rounded shape. The well adds no padding.
class OVWell : public QWidget
{
    Q_OBJECT

public:
    explicit OVWell(QWidget *parent = nullptr);
    explicit OVWell(qreal radius, QWidget *parent = nullptr);

    qreal radius() const { return m_radius; }
    void setRadius(qreal radius);
    OVWellGeometry wellGeometry() const;

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void clipContent(QWidget *child);

    qreal m_radius = 12;
    QWidget *m_rim = nullptr;
};
