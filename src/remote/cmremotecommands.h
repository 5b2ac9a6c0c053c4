#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <engine/cmsettings.h>
#include <functional>
#include <variant>

class CMEngine;

// What a remote may ask of the application beyond the engine: the live window.
struct CMRemoteHooks
{
    // Go live on a display (-1: the one the deck proposes).
    std::function<void(int screen)> goLive;
    std::function<void()> endLive;
};

// The commands every remote speaks (JSON API, WebSocket, OSC), as JSON objects
// {"command": NAME, ...}. A refused command changes nothing.
namespace CMRemoteCommands {

struct Outcome
{
    QString error; // empty: done

    bool ok() const { return error.isEmpty(); }
};

Outcome run(CMEngine &engine, const QJsonObject &command, const CMRemoteHooks &hooks);

// The command names, in the order the documentation lists them.
QStringList names();

// `settings` with the fields of `patch` applied, or why the patch is refused. Continuous
// values are clamped to the deck's knob ranges; choices (font, colours, countdown) must be one
// of the deck's; every field must have its record's JSON type; unknown fields are refused.
std::variant<CMSettings, QString> patched(const CMSettings &settings, const QJsonObject &patch);

} // namespace CMRemoteCommands
