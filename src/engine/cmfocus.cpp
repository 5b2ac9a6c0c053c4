#include "cmfocus.h"

#include "cmengine.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace CMFocus {

namespace {

bool isPanel(const QWidget *window)
{
    switch (window->windowType()) {
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Drawer:
    case Qt::Popup:
    case Qt::Tool:
    case Qt::ToolTip:
    case Qt::SplashScreen:
        return true;
    default:
        return false;
    }
}

// A line edit drops its selection when it loses focus; put it back as it was, caret end
// included, so that taking the keyboard never changes what the operator had selected.
void takeFocusKeepingSelection(QWidget *window, QWidget *focus)
{
    auto *line = qobject_cast<QLineEdit *>(focus);
    const int start = line ? line->selectionStart() : -1;
    const int length = line ? line->selectionLength() : 0;
    const bool caretAtStart = line && line->cursorPosition() == start;

    // Focusing the window itself (rather than clearing the focus) keeps the text input from
    // getting the keyboard back when the window is activated again.
    window->setFocus(Qt::OtherFocusReason);
    if (window->focusWidget() == focus)
        focus->clearFocus();

    if (line && start >= 0 && length > 0 && !line->hasSelectedText()) {
        if (caretAtStart)
            line->setSelection(start + length, -length);
        else
            line->setSelection(start, length);
    }
}

} // namespace

void toPrompter()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        QWidget *focus = window->focusWidget();
        if (isTextInput(focus))
            takeFocusKeepingSelection(window, focus);
    }
}

bool editing()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), [](const QWidget *window) {
        return window->isVisible() && !isPanel(window) && isTextInput(window->focusWidget());
    });
}

bool isTextInput(const QWidget *widget)
{
    if (!widget)
        return false;
    if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        return combo->isEditable();
    return qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QTextEdit *>(widget) ||
           qobject_cast<const QPlainTextEdit *>(widget) ||
           qobject_cast<const QAbstractSpinBox *>(widget);
}

void follow(CMEngine &engine)
{
    QObject::connect(&engine, &CMEngine::focusToPrompterRequested, &engine, [] { toPrompter(); });
}

} // namespace CMFocus
