#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class CMEngine;
class QWidget;

// One picture of the interface. Before `make` runs, the interface is at its defaults (first
// theme, zoom 1), and the engine holds the fixed script, stopped at the top with the default
// settings, its clock standing still. `make` builds the window; `ready` (optional) runs once
// the window is shown and laid out, for state that needs the layout (a position in the
// script). Adding a window to the tool is adding a row to uiShots().
// Windows that own themselves (the Help window, the About panel) give their picture directly
// through `picture` instead.
struct UiShot
{
    QString name; // the PNG's file name, without ".png"
    QSize size;   // of the window
    std::function<std::unique_ptr<QWidget>(CMEngine &engine)> make;
    std::function<void(CMEngine &engine, QWidget &window)> ready;
    std::function<QImage()> picture;
};

QList<UiShot> uiShots();

// The script every shot shows: the sample script and a few more paragraphs, so that a shot in
// the middle of a run has text above and below the reading line.
QString shotScript();
