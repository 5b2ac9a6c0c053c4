#pragma once

#include "cmmenus.h"

#include <QMainWindow>

class CMEngine;

// The one main window: its content under the menu bar, titled "OVS Cuemaster", in the
// interface's theme.
class CMMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    CMMainWindow(CMEngine &engine, QWidget *content, const CMMenus::Hooks &hooks,
                 QWidget *parent = nullptr);

protected:
    // Closing quits: only once the script is saved, or the user chose to go without it.
    void closeEvent(QCloseEvent *event) override;

private:
    CMEngine &m_engine;
};
