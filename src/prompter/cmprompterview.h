#pragma once

#include <QWidget>

class CMEngine;

// The scrolling prompter picture, shown full screen in the live window (preview false) and
// small in the rig preview of the main window (preview true), both fed by the one engine.
class CMPrompterView : public QWidget
{
    Q_OBJECT

public:
    CMPrompterView(CMEngine &engine, bool preview, QWidget *parent = nullptr);

    bool preview() const { return m_preview; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    CMEngine &m_engine;
    bool m_preview;
};
