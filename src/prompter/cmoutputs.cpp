#include "cmoutputs.h"

#include <engine/cmsettings.h>
#include <store/cmsettingsfile.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// A few fields: anything longer was not written by us.
constexpr qsizetype longestEntry = 4096;

template<typename Enum>
Enum enumField(const QJsonObject &o, QLatin1StringView key, Enum fallback, Enum last)
{
    const QJsonValue v = o.value(key);
    if (!v.isDouble())
        return fallback;
    const double n = v.toDouble();
    if (!(n >= 0 && n <= double(last)) || n != std::floor(n))
        return fallback;
    return Enum(int(n));
}

bool boolField(const QJsonObject &o, QLatin1StringView key, bool fallback)
{
    const QJsonValue v = o.value(key);
    return v.isBool() ? v.toBool() : fallback;
}

} // namespace

bool CMOutputOptions::mirror(const CMSettings &deck) const
{
    switch (picture) {
    case CMPicture::AsDeck:
        return deck.mirror;
    case CMPicture::Mirror:
    case CMPicture::MirrorFlip:
        return true;
    case CMPicture::Normal:
    case CMPicture::Flip:
        break;
    }
    return false;
}

bool CMOutputOptions::flip(const CMSettings &deck) const
{
    switch (picture) {
    case CMPicture::AsDeck:
        return deck.flip;
    case CMPicture::Flip:
    case CMPicture::MirrorFlip:
        return true;
    case CMPicture::Normal:
    case CMPicture::Mirror:
        break;
    }
    return false;
}

QByteArray CMOutputOptions::toJson() const
{
    QJsonObject o;
    o.insert("picture"_L1, int(picture));
    o.insert("hintBar"_L1, hintBar);
    o.insert("showTime"_L1, showTime);
    o.insert("timeCorner"_L1, int(timeCorner));
    if (live)
        o.insert("live"_L1, *live);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

CMOutputOptions CMOutputOptions::fromJson(const QByteArray &json)
{
    CMOutputOptions options;
    if (json.size() > longestEntry)
        return options;
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    options.picture = enumField(o, "picture"_L1, options.picture, CMPicture::MirrorFlip);
    options.hintBar = boolField(o, "hintBar"_L1, options.hintBar);
    options.showTime = boolField(o, "showTime"_L1, options.showTime);
    options.timeCorner = enumField(o, "timeCorner"_L1, options.timeCorner, CMCorner::BottomRight);
    if (const QJsonValue v = o.value("live"_L1); v.isBool())
        options.live = v.toBool();
    return options;
}

CMOutputs::CMOutputs(QObject *parent) : QObject(parent) {}

QString CMOutputs::settingsKey(const QString &display)
{
    return u"cm.outputs/"_s + QString::fromLatin1(QUrl::toPercentEncoding(display));
}

CMOutputOptions CMOutputs::options(const QString &display) const
{
    const auto it = m_cache.constFind(display);
    if (it != m_cache.constEnd())
        return *it;
    const QVariant stored = CMSettingsFile::shared().value(settingsKey(display));
    // Only text can hold our JSON; a stored number or list is no entry of ours.
    const CMOutputOptions options =
        stored.typeId() == QMetaType::QString || stored.typeId() == QMetaType::QByteArray
            ? CMOutputOptions::fromJson(stored.toByteArray())
            : CMOutputOptions{};
    m_cache.insert(display, options);
    return options;
}

void CMOutputs::setOptions(const QString &display, const CMOutputOptions &options)
{
    if (options == this->options(display))
        return;
    m_cache.insert(display, options);
    CMSettingsFile::shared().setValue(settingsKey(display), QString::fromUtf8(options.toJson()));
    Q_EMIT changed(display);
}

QString CMOutputs::proposed(const QStringList &connected)
{
    if (connected.isEmpty())
        return {};
    return connected.size() > 1 ? connected[1] : connected[0];
}

QStringList CMOutputs::checked(const QStringList &connected) const
{
    QStringList chosen;
    for (const QString &display : connected) {
        if (options(display).live.value_or(false))
            chosen.append(display);
    }
    if (chosen.isEmpty() && !connected.isEmpty())
        chosen.append(proposed(connected));
    return chosen;
}

bool CMOutputs::setChecked(const QStringList &connected, const QString &display, bool on)
{
    QStringList next = checked(connected);
    if (on && !next.contains(display))
        next.append(display);
    if (!on)
        next.removeAll(display);
    if (next.isEmpty() || !connected.contains(display))
        return false;
    // Every connected display's choice is written, so the proposal no longer decides.
    for (const QString &name : connected) {
        CMOutputOptions o = options(name);
        o.live = next.contains(name);
        setOptions(name, o);
    }
    return true;
}
