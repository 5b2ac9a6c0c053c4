#pragma once

#include <QAbstractButton>

// One page in the Help window's list: its symbol and title, on an accent capsule while it is
// the page shown. Long titles wrap.
class OVHelpPageButton : public QAbstractButton
{
    Q_OBJECT

public:
    OVHelpPageButton(const QString &pageId, const QString &title, const QString &symbol,
                     QWidget *parent = nullptr);

    QString pageId() const { return m_pageId; }
    QString symbol() const { return m_symbol; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QFont titleFont() const;
    QRectF titleRect(const QRectF &bounds) const;

    QString m_pageId;
    QString m_symbol;
    bool m_selected = false;
};
