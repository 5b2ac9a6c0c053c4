#pragma once

class QPalette;
class QWidget;
struct OVTheme;

// Styles a window of the application: the theme's background gradient behind everything, the
// accent as the highlight and link colour of standard controls, and a dark palette. The window
// follows every later change of theme or zoom, and its kit pieces cast their shadows onto it.
void ovsRoot(QWidget *window);

// The dark palette of a theme, as ovsRoot sets it.
QPalette ovPalette(const OVTheme &theme);
