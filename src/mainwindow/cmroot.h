#pragma once

#include <QWidget>

class CMEngine;
class CMMain;
class CMPrompterWindow;

// The content of the main window: the main layout, never smaller than 1240 × 780 where the
// screen has room for that. While shown it connects the keyboard to the engine through the
// application-wide key monitor.
class CMRoot : public QWidget
{
    Q_OBJECT

public:
    // On the shared engine and live-window controller.
    explicit CMRoot(QWidget *parent = nullptr);
    CMRoot(CMEngine &engine, CMPrompterWindow &live, QWidget *parent = nullptr);
    ~CMRoot() override;

    static constexpr int minimumWidth = 1240;
    static constexpr int minimumHeight = 780;

    CMMain *main() const { return m_main; }

    // On a screen whose free area leaves less than 1240 × 780 for the root, the minimum is the
    // room there is, so the window fits the screen and the layout scrolls inside.
    void fitMinimumTo(const QSize &room);

protected:
    void showEvent(QShowEvent *e) override;

private:
    CMEngine &m_engine;
    CMMain *m_main;
};
