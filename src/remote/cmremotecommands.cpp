#include "cmremotecommands.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <engine/cmengine.h>
#include <engine/cmmath.h>

using namespace Qt::StringLiterals;

namespace CMRemoteCommands {

namespace {

// Farther than any script goes, near enough that the engine's arithmetic stays exact.
constexpr double maxDistancePt = 1e9;

struct Range
{
    double CMSettings::*field;
    double low;
    double high;
};

const QHash<QString, Range> &knobs()
{
    static const QHash<QString, Range> table{
        {u"speed"_s, {&CMSettings::speed, 0.0, 10.0}},
        {u"fontSize"_s, {&CMSettings::fontSize, 24.0, 200.0}},
        {u"margin"_s, {&CMSettings::margin, 0.0, 35.0}},
        {u"lineSpacing"_s, {&CMSettings::lineSpacing, 1.0, 2.2}},
        {u"cuePosition"_s, {&CMSettings::cuePosition, 0.1, 0.7}},
    };
    return table;
}

const QHash<QString, bool CMSettings::*> &switches()
{
    static const QHash<QString, bool CMSettings::*> table{
        {u"mirror"_s, &CMSettings::mirror},
        {u"flip"_s, &CMSettings::flip},
        {u"cueLine"_s, &CMSettings::cueLine},
        {u"uppercase"_s, &CMSettings::uppercase},
    };
    return table;
}

std::optional<qint64> wholeNumber(const QJsonValue &v)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || std::abs(d) > 1e15)
        return std::nullopt;
    return qint64(d);
}

// A finite number within ±maxDistancePt, or nothing.
std::optional<double> distance(const QJsonValue &v)
{
    if (!v.isDouble() || !std::isfinite(v.toDouble()) || std::abs(v.toDouble()) > maxDistancePt)
        return std::nullopt;
    return v.toDouble();
}

// An optional boolean argument: absent means "toggle".
std::variant<std::optional<bool>, QString> onArgument(const QJsonObject &command)
{
    const QJsonValue on = command.value(u"on"_s);
    if (on.isUndefined() || on.isNull())
        return std::optional<bool>();
    if (!on.isBool())
        return u"\"on\" must be true or false."_s;
    return std::optional<bool>(on.toBool());
}

Outcome setSwitch(CMEngine &engine, const QJsonObject &command, bool CMSettings::*field)
{
    const auto on = onArgument(command);
    if (const QString *error = std::get_if<QString>(&on))
        return {*error};
    CMSettings s = engine.settings();
    s.*field = std::get<std::optional<bool>>(on).value_or(!(s.*field));
    engine.setSettings(s);
    return {};
}

Outcome jump(CMEngine &engine, const QJsonObject &command)
{
    const bool hasPoints = command.contains(u"points"_s);
    const bool hasScreens = command.contains(u"screens"_s);
    if (hasPoints == hasScreens)
        return {u"\"jump\" takes either \"points\" or \"screens\"."_s};
    const auto value = distance(command.value(hasPoints ? u"points"_s : u"screens"_s));
    if (!value)
        return {u"The jump distance must be a number."_s};
    engine.jump(hasPoints ? *value : *value * engine.viewportHeight());
    return {};
}

Outcome live(CMEngine &engine, const QJsonObject &command, const CMRemoteHooks &hooks)
{
    const auto on = onArgument(command);
    if (const QString *error = std::get_if<QString>(&on))
        return {*error};
    int screen = -1;
    if (command.contains(u"screen"_s)) {
        const auto index = wholeNumber(command.value(u"screen"_s));
        if (!index || *index < 0 || *index > 64)
            return {u"\"screen\" must be a display number from 0."_s};
        screen = int(*index);
    }
    if (std::get<std::optional<bool>>(on).value_or(!engine.live())) {
        if (!hooks.goLive)
            return {u"Going live is not available here."_s};
        hooks.goLive(screen);
    } else if (engine.live()) {
        if (!hooks.endLive)
            return {u"Ending live is not available here."_s};
        hooks.endLive();
    }
    return {};
}

} // namespace

QStringList names()
{
    return {u"toggle"_s,     u"play"_s,    u"pause"_s,    u"faster"_s,       u"slower"_s,
            u"speed"_s,      u"top"_s,     u"end"_s,      u"jump"_s,         u"jump-back"_s,
            u"jump-ahead"_s, u"jump-to"_s, u"next-cue"_s, u"previous-cue"_s, u"cue"_s,
            u"mirror"_s,     u"flip"_s,    u"live"_s,     u"end-live"_s};
}

Outcome run(CMEngine &engine, const QJsonObject &command, const CMRemoteHooks &hooks)
{
    const QJsonValue nameValue = command.value(u"command"_s);
    if (!nameValue.isString())
        return {u"Name the command: {\"command\": \"toggle\"}."_s};
    const QString name = nameValue.toString();

    if (name == u"toggle") {
        if (engine.running())
            engine.pause();
        else
            engine.play();
    } else if (name == u"play") {
        if (!engine.running())
            engine.play();
    } else if (name == u"pause") {
        if (engine.running())
            engine.pause();
    } else if (name == u"faster") {
        engine.faster();
    } else if (name == u"slower") {
        engine.slower();
    } else if (name == u"speed") {
        const QJsonValue v = command.value(u"value"_s);
        if (!v.isDouble() || !std::isfinite(v.toDouble()))
            return {u"\"speed\" takes a number \"value\" from 0 to 10."_s};
        CMSettings s = engine.settings();
        s.speed = std::clamp(v.toDouble(), 0.0, 10.0);
        engine.setSettings(s);
    } else if (name == u"top") {
        engine.backToTop();
    } else if (name == u"end") {
        engine.goToEnd();
    } else if (name == u"jump") {
        return jump(engine, command);
    } else if (name == u"jump-back") {
        engine.jumpBack();
    } else if (name == u"jump-ahead") {
        engine.jumpAhead();
    } else if (name == u"jump-to") {
        const auto offset = distance(command.value(u"offset"_s));
        if (!offset)
            return {u"\"jump-to\" takes a number \"offset\" in canvas points."_s};
        engine.jumpTo(*offset);
    } else if (name == u"next-cue") {
        engine.nextCue();
    } else if (name == u"previous-cue") {
        engine.previousCue();
    } else if (name == u"cue") {
        const auto index = wholeNumber(command.value(u"index"_s));
        if (!index || *index < 0 || *index >= engine.cues().size())
            return {u"There is no cue with that \"index\"."_s};
        engine.jumpTo(engine.cues()[*index].offset);
    } else if (name == u"mirror") {
        return setSwitch(engine, command, &CMSettings::mirror);
    } else if (name == u"flip") {
        return setSwitch(engine, command, &CMSettings::flip);
    } else if (name == u"live") {
        return live(engine, command, hooks);
    } else if (name == u"end-live") {
        if (engine.live() && hooks.endLive)
            hooks.endLive();
    } else {
        return {u"Unknown command \"%1\"."_s.arg(name.left(64))};
    }
    return {};
}

std::variant<CMSettings, QString> patched(const CMSettings &settings, const QJsonObject &patch)
{
    CMSettings s = settings;
    for (auto it = patch.begin(); it != patch.end(); ++it) {
        const QString &key = it.key();
        const QJsonValue v = it.value();
        if (const auto knob = knobs().constFind(key); knob != knobs().constEnd()) {
            if (!v.isDouble() || !std::isfinite(v.toDouble()))
                return u"\"%1\" must be a number."_s.arg(key);
            s.*(knob->field) = std::clamp(v.toDouble(), knob->low, knob->high);
        } else if (const auto sw = switches().constFind(key); sw != switches().constEnd()) {
            if (!v.isBool())
                return u"\"%1\" must be true or false."_s.arg(key);
            s.*(*sw) = v.toBool();
        } else if (key == u"fontName") {
            const auto fonts = CMMath::fonts();
            if (!v.isString() || std::none_of(fonts.begin(), fonts.end(), [&](const auto &f) {
                    return f.name == v.toString();
                }))
                return u"\"fontName\" must be one of the prompter's fonts."_s;
            s.fontName = v.toString();
        } else if (key == u"colors") {
            const auto index = wholeNumber(v);
            if (!index || *index < 0 || *index >= qint64(CMMath::palettes().size()))
                return u"\"colors\" must be a colour scheme from 0 to %1."_s.arg(
                    CMMath::palettes().size() - 1);
            s.colors = *index;
        } else if (key == u"countdown") {
            const auto seconds = wholeNumber(v);
            if (!seconds || (*seconds != 0 && *seconds != 3 && *seconds != 5 && *seconds != 10))
                return u"\"countdown\" must be 0, 3, 5 or 10."_s;
            s.countdown = *seconds;
        } else {
            return u"Unknown setting \"%1\"."_s.arg(key.left(64));
        }
    }
    return s;
}

} // namespace CMRemoteCommands
