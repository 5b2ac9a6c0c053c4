#include "cmsettings.h"

#include "cmmath.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

std::optional<double> number(const QJsonObject &o, QLatin1StringView key)
{
    const QJsonValue v = o.value(key);
    if (!v.isDouble())
        return std::nullopt;
    return v.toDouble();
}

std::optional<qint64> integer(const QJsonObject &o, QLatin1StringView key)
{
    const QJsonValue v = o.value(key);
    // toInteger() falls back to its argument unless the number is a whole qint64.
    const qint64 a = v.toInteger(0);
    if (!v.isDouble() || a != v.toInteger(1))
        return std::nullopt;
    return a;
}

std::optional<bool> boolean(const QJsonObject &o, QLatin1StringView key)
{
    const QJsonValue v = o.value(key);
    if (!v.isBool())
        return std::nullopt;
    return v.toBool();
}

double clampFinite(double v, double lo, double hi, double fallback)
{
    return std::isfinite(v) ? std::clamp(v, lo, hi) : fallback;
}

} // namespace

QByteArray CMSettings::toJson() const
{
    QJsonObject o;
    o.insert("speed"_L1, speed);
    o.insert("fontSize"_L1, fontSize);
    o.insert("margin"_L1, margin);
    o.insert("lineSpacing"_L1, lineSpacing);
    o.insert("fontName"_L1, fontName);
    o.insert("colors"_L1, colors);
    o.insert("mirror"_L1, mirror);
    o.insert("flip"_L1, flip);
    o.insert("countdown"_L1, countdown);
    o.insert("cueLine"_L1, cueLine);
    o.insert("cuePosition"_L1, cuePosition);
    o.insert("uppercase"_L1, uppercase);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<CMSettings> CMSettings::fromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();

    const auto speed = number(o, "speed"_L1);
    const auto fontSize = number(o, "fontSize"_L1);
    const auto margin = number(o, "margin"_L1);
    const auto lineSpacing = number(o, "lineSpacing"_L1);
    const QJsonValue fontName = o.value("fontName"_L1);
    const auto colors = integer(o, "colors"_L1);
    const auto mirror = boolean(o, "mirror"_L1);
    const auto flip = boolean(o, "flip"_L1);
    const auto countdown = integer(o, "countdown"_L1);
    const auto cueLine = boolean(o, "cueLine"_L1);
    const auto cuePosition = number(o, "cuePosition"_L1);
    const auto uppercase = boolean(o, "uppercase"_L1);
    if (!speed || !fontSize || !margin || !lineSpacing || !fontName.isString() || !colors
        || !mirror || !flip || !countdown || !cueLine || !cuePosition || !uppercase)
        return std::nullopt;

    return CMSettings{*speed,    *fontSize, *margin,    *lineSpacing,  fontName.toString(),
                      *colors,   *mirror,   *flip,      *countdown,    *cueLine,
                      *cuePosition, *uppercase};
}

CMSettings CMSettings::clamped() const
{
    CMSettings s = *this;
    s.speed = usableSpeed();
    s.fontSize = usableFontSize();
    s.margin = clampFinite(margin, 0.0, 35.0, 12.0);
    s.lineSpacing = clampFinite(lineSpacing, 1.0, 2.2, 1.25);
    s.colors = std::clamp<qint64>(colors, 0, qint64(CMMath::palettes().size()) - 1);
    s.countdown = std::clamp<qint64>(countdown, 0, 3600);
    s.cuePosition = clampFinite(cuePosition, 0.1, 0.7, 0.33);
    return s;
}

double CMSettings::usableSpeed() const
{
    return clampFinite(speed, 0.0, 10.0, 0.0);
}

double CMSettings::usableFontSize() const
{
    return clampFinite(fontSize, 24.0, 200.0, 72.0);
}
