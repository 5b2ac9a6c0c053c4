#pragma once

#include "overror.h"

#include <QSet>
#include <QString>

#include <functional>
#include <optional>

class CMEngine;
class OVFileDrop;
class QWidget;

// The script's way in and out of files: the import and export commands of the menu and the
// script desk, and the editor's file drop. Failures end in an alert; a failed operation never
// touches the script.
namespace CMScriptFiles {

QString importFailedTitle();    // "Can't import that script"
QString saveFailedTitle();      // "Couldn't save"

// The open panel, then importFile. Cancelling changes nothing.
void importScript(CMEngine &engine, QWidget *parent = nullptr);

// Reads the file off the main thread (CMImportJob) and, only when that succeeds, replaces the
// engine's script (stopped at the top, autosaved, focus to the prompter). Otherwise shows the
// error under `failureTitle` (the application's open-file handler passes "Can't open that
// script"). `done` learns whether the script was replaced.
void importFile(CMEngine &engine, const QString &path,
                const QString &failureTitle = importFailedTitle(),
                std::function<void(bool imported)> done = {});

// The save panel (proposing "Script.txt"), then exportToFile. True when the file was written.
bool exportScript(const CMEngine &engine, QWidget *parent = nullptr);

// Writes the script exactly as held, as UTF-8, atomically (a file it replaces is either
// replaced whole or left as it was); shows "Couldn't save" on failure.
bool exportToFile(const CMEngine &engine, const QString &path);
std::optional<OVError> writeScript(const QString &script, const QString &path);

// What the script editor accepts by drop.
QSet<QString> editorExtensions();

// The editor's drop target: the first accepted file of a drop is imported, the others ignored.
OVFileDrop *attachScriptDrop(QWidget *editor, CMEngine &engine);

} // namespace CMScriptFiles
