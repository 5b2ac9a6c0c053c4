#include "cmremotestate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cmath>
#include <engine/cmengine.h>
#include <engine/cmmath.h>

using namespace Qt::StringLiterals;

namespace CMRemoteState {

namespace {

QJsonValue instant(CMInstant epoch, const std::optional<CMInstant> &t)
{
    return t ? QJsonValue(serverMs(epoch, *t)) : QJsonValue(QJsonValue::Null);
}

QJsonValue seconds(const std::optional<double> &s)
{
    return s && std::isfinite(*s) ? QJsonValue(*s) : QJsonValue(QJsonValue::Null);
}

QString hex(const CMMath::Rgb &c)
{
    const auto channel = [](double v) { return int(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    return u"#%1%2%3"_s.arg(channel(c.r), 2, 16, QChar(u'0'))
        .arg(channel(c.g), 2, 16, QChar(u'0'))
        .arg(channel(c.b), 2, 16, QChar(u'0'));
}

} // namespace

double serverMs(CMInstant epoch, CMInstant t)
{
    return secondsBetween(epoch, t) * 1000.0;
}

QJsonObject settings(const CMEngine &engine)
{
    return QJsonDocument::fromJson(engine.settings().toJson()).object();
}

QJsonObject state(const CMEngine &engine, CMInstant epoch, CMInstant now, const Script &script)
{
    QJsonArray cues;
    const QList<CMCue> &list = engine.cues();
    for (qsizetype i = 0; i < list.size(); ++i) {
        cues.append(QJsonObject{{u"index"_s, int(i)},
                                {u"line"_s, list[i].line},
                                {u"text"_s, list[i].text},
                                {u"offset"_s, list[i].offset}});
    }
    const std::optional<CMInstant> countdownEnds = engine.countdownEnds();
    const double countdownLeft =
        countdownEnds && now < *countdownEnds ? std::ceil(secondsBetween(now, *countdownEnds)) : 0;
    const qint64 words = script.words;
    const CMMath::Palette &palette = CMMath::palette(engine.settings().colors);
    return QJsonObject{
        {u"type"_s, u"state"_s},
        {u"now"_s, serverMs(epoch, now)},
        {u"running"_s, engine.running()},
        {u"finished"_s, engine.finished()},
        {u"live"_s, engine.live()},
        {u"offset"_s, engine.offset(now)},
        {u"elapsed"_s, engine.elapsed(now)},
        {u"remaining"_s, seconds(engine.remaining(now))},
        {u"targetDuration"_s, engine.targetDuration()},
        {u"overUnder"_s, seconds(engine.overUnder(now))},
        {u"countdown"_s, QJsonObject{{u"seconds"_s, engine.settings().countdown},
                                     {u"active"_s, countdownLeft > 0},
                                     {u"left"_s, countdownLeft}}},
        {u"settings"_s, settings(engine)},
        {u"palette"_s,
         QJsonObject{{u"text"_s, hex(palette.text)}, {u"background"_s, hex(palette.background)}}},
        {u"contentHeight"_s, engine.contentHeight()},
        {u"viewportHeight"_s, engine.viewportHeight()},
        {u"words"_s, words},
        {u"readingTime"_s, CMMath::readingTime(words)},
        {u"scriptRevision"_s, script.revision},
        {u"cues"_s, cues},
        {u"nextCue"_s, engine.nextCueIndex(now)},
        {u"previousCue"_s, engine.previousCueIndex(now)},
        {u"clock"_s, QJsonObject{{u"base"_s, engine.base()},
                                 {u"rate"_s, engine.currentRate()},
                                 {u"startedAt"_s, instant(epoch, engine.startedAt())},
                                 {u"countdownEnds"_s, instant(epoch, countdownEnds)},
                                 {u"contentHeight"_s, engine.contentHeight()}}},
    };
}

QJsonObject cueReached(const CMEngine &engine, int index, CMInstant epoch, CMInstant now)
{
    const QList<CMCue> &list = engine.cues();
    const CMCue cue = index >= 0 && index < list.size() ? list[index] : CMCue{};
    return QJsonObject{{u"type"_s, u"cue"_s}, {u"now"_s, serverMs(epoch, now)},
                       {u"index"_s, index},   {u"line"_s, cue.line},
                       {u"text"_s, cue.text}, {u"offset"_s, cue.offset}};
}

} // namespace CMRemoteState
