#pragma once

#include "ovgeometry.h"
#include "ovhalo.h"

#include <QAbstractButton>
#include <QPushButton>

// A push button in a chrome capsule: plain chrome, or the accent-coloured call to action
// (`prominent`); `compact` for smaller lettering and padding. An optional symbol leads the text.
class OVChromeButton : public OVHaloWidget<QPushButton>
{
    Q_OBJECT

public:
    explicit OVChromeButton(const QString &text = {}, QWidget *parent = nullptr);

    bool prominent() const { return m_prominent; }
    void setProminent(bool prominent);
    bool compact() const { return m_compact; }
    void setCompact(bool compact);
    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);

    OVChromeButtonGeometry buttonGeometry() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    QMarginsF haloMargins() const override;
    void paintHalo(QPainter &painter) const override;

protected:
    bool hitButton(const QPoint &pos) const override;
    void paintEvent(QPaintEvent *) override;

private:
    QRectF capsule() const;
    void changed();

    bool m_prominent = false;
    bool m_compact = false;
    QString m_symbol;
};

// A round button around a symbol, lit to show an active mode. Only the circle answers clicks;
// `help` is its tooltip and accessible name.
class OVOrbButton : public OVHaloWidget<QAbstractButton>
{
    Q_OBJECT

public:
    explicit OVOrbButton(const QString &symbol = {}, qreal size = 34, QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);
    qreal size() const { return m_size; }
    void setSize(qreal size);
    bool lit() const { return m_lit; }
    void setLit(bool lit);
    QString help() const { return m_help; }
    void setHelp(const QString &help);

    OVOrbGeometry orbGeometry() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    QMarginsF haloMargins() const override;
    void paintHalo(QPainter &painter) const override;

protected:
    bool hitButton(const QPoint &pos) const override;
    void paintEvent(QPaintEvent *) override;

private:
    QString m_symbol;
    qreal m_size = 34;
    bool m_lit = false;
    QString m_help;
};
