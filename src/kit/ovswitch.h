#pragma once

#include "ovgeometry.h"
#include "ovhalo.h"

#include <QAbstractButton>

class QVariantAnimation;

// A sliding toggle with a title. A click flips it and announces the new state through
// toggled(bool); setOn shows the owner's state without announcing it. The thumb slides over
// 0.15 s with every change.
class OVSwitch : public OVHaloWidget<QAbstractButton>
{
    Q_OBJECT

public:
    explicit OVSwitch(const QString &title = {}, QWidget *parent = nullptr);

    bool isOn() const { return isChecked(); }
    void setOn(bool on);
    QString title() const { return text(); }
    void setTitle(const QString &title);
    // Where the thumb is on its way: 0 off, 1 on.
    qreal position() const { return m_position; }

    static constexpr int slideMs = 150;

    OVSwitchGeometry switchGeometry() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    QMarginsF haloMargins() const override;
    void paintHalo(QPainter &painter) const override;

protected:
    void checkStateSet() override;
    void nextCheckState() override;
    void paintEvent(QPaintEvent *) override;

private:
    QRectF track() const;
    void slide();

    qreal m_position = 0;
    QVariantAnimation *m_slide;
};
