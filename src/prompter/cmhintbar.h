#pragma once

#include <QWidget>

class CMEngine;
class QLabel;

// The status and hint row of the live window: run state, speed, a key reminder and the
// "Exit Prompter" button, on a translucent black capsule. It lies over the prompter picture,
// so mirror and flip never reverse it.
class CMHintBar : public QWidget
{
    Q_OBJECT

public:
    explicit CMHintBar(CMEngine &engine, QWidget *parent = nullptr);

    static QString stateText(bool running, bool finished);
    static QString speedText(double speed);
    static QString keysText();

Q_SIGNALS:
    void exitRequested();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();

    CMEngine &m_engine;
    QLabel *m_state;
    QLabel *m_speed;
};
