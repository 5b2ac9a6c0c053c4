#pragma once

class CMEngine;
class QWidget;

// Who gets the keyboard: a focused text input keeps its keys, otherwise they drive the
// prompter. Stateless: everything is read from the application's windows when asked.
namespace CMFocus {

// Takes the keyboard from the text inputs of every window, leaving their text and selection
// as they are, so that the next keys reach the prompter.
void toPrompter();

// True when a visible window other than a dialog, popup or tool window has a text input
// focused.
bool editing();

// Line and text editors, spin boxes and editable combo boxes; read-only editors count too,
// since their keys move their own caret and selection.
bool isTextInput(const QWidget *widget);

// Moves the focus whenever the engine asks for it (its key map and compound actions).
void follow(CMEngine &engine);

} // namespace CMFocus
