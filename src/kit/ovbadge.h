#pragma once

#include <QAbstractButton>
#include <QWidget>

// The maker's badge: "OVS" on an accent capsule.
class OVSBadge : public QWidget
{
    Q_OBJECT

public:
    explicit OVSBadge(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override;
};

// The link of the credit line: the maker's name, opening the maker's website.
class OVSLink : public QAbstractButton
{
    Q_OBJECT

public:
    explicit OVSLink(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override;
    void enterEvent(QEnterEvent *e) override;
    void leaveEvent(QEvent *e) override;

private:
    bool m_hovered = false;
};

// The maker's credit: the badge and the link to the maker's website.
class OVSCredit : public QWidget
{
    Q_OBJECT

public:
    explicit OVSCredit(QWidget *parent = nullptr);

    OVSLink *link() const { return m_link; }

private:
    OVSLink *m_link;
};
