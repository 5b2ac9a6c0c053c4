#pragma once

#include "ovhalo.h"

#include <QWidget>

// The small upper-case caption over a group of controls.
class OVCaption : public QWidget
{
    Q_OBJECT

public:
    explicit OVCaption(const QString &text = {}, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QString m_text;
};

// A glowing readout in a dark capsule, with digits of fixed width so a changing number
// does not shift.
class OVLCD : public QWidget
{
    Q_OBJECT

public:
    explicit OVLCD(const QString &text = {}, qreal size = 13, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    qreal size() const { return m_size; }
    void setSize(qreal size);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QString m_text;
    qreal m_size = 13;
};

// A two-part title: the first word in chrome lettering, the second glowing in the accent.
class OVChromeTitle : public OVHaloWidget<QWidget>
{
    Q_OBJECT

public:
    explicit OVChromeTitle(const QString &first = {}, const QString &second = {},
                           QWidget *parent = nullptr);

    QString first() const { return m_first; }
    QString second() const { return m_second; }
    void setText(const QString &first, const QString &second);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    QMarginsF haloMargins() const override;
    void paintHalo(QPainter &painter) const override;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    struct Layout
    {
        QPointF firstBaseline;
        QPointF secondBaseline;
        QSizeF size;
    };
    Layout layout() const;

    QString m_first;
    QString m_second;
};
