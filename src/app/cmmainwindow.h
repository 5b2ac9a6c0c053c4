#pragma once

#include "cmmenus.h"

#include <QMainWindow>

class CMEngine;
class CMQuit;
class CMRoot;

// The one main window: its content under the menu bar, titled "OVS Cuemaster", in the
// interface's theme. It opens within the screen's free area whatever the scaling: on a
// screen too small for the layout's minimum it takes the room there is and the layout
// scrolls. Closing it ends the application, live window included.
class CMMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    CMMainWindow(CMEngine &engine, CMRoot *root, const CMMenus::Hooks &hooks, CMQuit &quit,
                 QWidget *parent = nullptr);

    static constexpr QSize openingSize{1400, 900};

    // The frame-less rectangle a window of `wanted` size opens in: as large as wanted where
    // the area has room, centred in it, its frame inside it.
    static QRect opening(const QSize &wanted, const QRect &available, const QMargins &frame);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Keeps the minimum within the screen; `place` also sizes and centres the window.
    void fitToScreen(bool place);

    CMRoot *m_root;
    CMQuit &m_quit;
    bool m_watching = false;
    QMetaObject::Connection m_screenConnection;
};
