#pragma once

#include <QString>

#include <functional>

// The alert of the file operations: warning style, the title as main text, the message as
// informative text, one "OK" button.
namespace OVAlert {

// On the main thread it runs at once and returns when the user dismisses it; from any other
// thread it is handed to the main thread and the caller does not wait.
void show(const QString &title, const QString &message);

// Tests see alerts here instead of a modal box (pass nullptr to restore the real one).
using Presenter = std::function<void(const QString &title, const QString &message)>;
void setPresenter(Presenter presenter);

} // namespace OVAlert
