#pragma once

#include "ovgeometry.h"
#include "ovhalo.h"

#include <QWidget>

#include <functional>
#include <optional>

// A rotary knob for a number within a range, turned by dragging up and down: 180 points of
// travel sweep the whole range, measured from where the drag began, so the knob never drifts.
// It shows the value it was last given or dragged to and reports every drag step through
// valueChanged; the owner holds the value.
class OVKnob : public OVHaloWidget<QWidget>
{
    Q_OBJECT

public:
    using Formatter = std::function<QString(double)>;

    explicit OVKnob(QWidget *parent = nullptr);

    double value() const { return m_value; }
    // Shows `value` (drawn clamped to the range); announces nothing.
    void setValue(double value);
    double lower() const { return m_lower; }
    double upper() const { return m_upper; }
    void setRange(double lower, double upper);
    qreal size() const { return m_size; }
    void setSize(qreal size);
    QString label() const { return m_label; }
    void setLabel(const QString &label);
    void setFormatter(Formatter format);
    QString readout() const;

    OVKnobGeometry knobGeometry() const;
    // The dial's square in the widget.
    QRectF dial() const;
    bool dragging() const { return m_start.has_value(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    QMarginsF haloMargins() const override;
    void paintHalo(QPainter &painter) const override;

Q_SIGNALS:
    void valueChanged(double value);

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void paintEvent(QPaintEvent *) override;

private:
    bool onDial(QPointF pos) const;
    void write(double value);
    void changed();

    double m_value = 0;
    double m_lower = 0;
    double m_upper = 1;
    qreal m_size = 58;
    QString m_label;
    Formatter m_format;
    std::optional<QPointF> m_press;
    std::optional<double> m_start;
};
