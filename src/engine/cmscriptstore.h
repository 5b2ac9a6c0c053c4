#pragma once

#include <QString>

#include <optional>

// The autosave file: the script as UTF-8, byte for byte, in the user's data folder.
namespace CMScriptStore {

// ".../Orvelle Software/Cuemaster/current-script.txt" under the user's data folder, with the
// folder created on every call (a failure to create it shows up when writing). Empty when the
// platform reports no data folder.
QString path();

struct Loaded
{
    std::optional<QString> text; // none when the file is missing or not valid UTF-8
    bool existed = false;        // a file was there, readable or not
};
Loaded load(const QString &path);

// Atomic: the old content or the new, never a mixture.
bool save(const QString &path, const QString &text);

// Renames an unreadable autosave out of the way so the next save cannot destroy it.
void keepAside(const QString &path);

} // namespace CMScriptStore
