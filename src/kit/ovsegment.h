#pragma once

#include "ovgeometry.h"
#include "ovhalo.h"

#include <QList>
#include <QVariant>
#include <QWidget>

// A row of mutually exclusive choices sharing the control's width equally. The item whose
// value equals the selection is lit; a click on another announces its value through
// selectionChanged, and the owner sets the selection.
class OVSegment : public OVHaloWidget<QWidget>
{
    Q_OBJECT

public:
    struct Item
    {
        QVariant value;
        QString title;
    };

    explicit OVSegment(QWidget *parent = nullptr);

    QList<Item> items() const { return m_items; }
    void setItems(const QList<Item> &items);
    QVariant selection() const { return m_selection; }
    // Shows the owner's selection; announces nothing. A value that matches no item lights none.
    void setSelection(const QVariant &value);
    bool isSelected(int index) const;

    OVSegmentGeometry segmentGeometry() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    QMarginsF haloMargins() const override;
    void paintHalo(QPainter &painter) const override;

Q_SIGNALS:
    void selectionChanged(const QVariant &value);

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void paintEvent(QPaintEvent *) override;

private:
    void choose(int index);
    void paintGlows(QPainter &p) const;

    QList<Item> m_items;
    QVariant m_selection;
    int m_pressed = -1;
};
