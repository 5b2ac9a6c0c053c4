#pragma once

#include <QAbstractButton>
#include <QTimer>

// Where the keyboard goes: green while keys drive the prompter, orange while the script
// editor (or any text input) has them. Follows the real focus by polling it every quarter of
// a second while shown; a click hands the keys back to the prompter at once.
class CMKeysBadge : public QAbstractButton
{
    Q_OBJECT

public:
    explicit CMKeysBadge(QWidget *parent = nullptr);

    static constexpr int pollMs = 250;

    bool editing() const { return m_editing; }
    QString symbol() const;
    QColor color() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override;
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;

private:
    void setEditing(bool editing);
    void poll();

    bool m_editing = false;
    QTimer m_tick;
};
