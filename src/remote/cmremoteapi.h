#pragma once

#include "cmremotecommands.h"
#include "cmremotehttp.h"
#include "cmremotestate.h"

#include <QObject>

class CMEngine;

// The JSON API under /api/v1/ and the page, over the engine's public interface:
//   GET  /api/v1/state     the state (CMRemoteState)
//   POST /api/v1/command   {"command": NAME, ...} → the state after it
//   PATCH /api/v1/settings any of the twelve settings → the state after it
//   GET  /api/v1/script    the script as UTF-8 text
//   PUT  /api/v1/script    a new script (text, or {"script": TEXT}) → the state after it
//   GET  /                 the web remote
class CMRemoteApi : public QObject
{
    Q_OBJECT

public:
    CMRemoteApi(CMEngine &engine, CMRemoteHooks hooks, QObject *parent = nullptr);

    CMRemoteReply reply(const CMRemoteRequest &request);

    // A command from any remote; the error is empty when it was done.
    QString command(const QJsonObject &command);
    QJsonObject state() const;
    QJsonObject cueReached(int index) const;
    // Server clock, in ms, for clients measuring the difference to their own.
    double serverMs() const;

    static QByteArray page();

private:
    CMRemoteReply stateReply(int status = 200) const;
    CMRemoteReply putScript(const CMRemoteRequest &request);
    CMRemoteReply patchSettings(const CMRemoteRequest &request);
    CMRemoteReply postCommand(const CMRemoteRequest &request);

    CMEngine &m_engine;
    CMRemoteHooks m_hooks;
    CMInstant m_epoch;
    mutable CMRemoteState::Script m_script;
    mutable qint64 m_wordsRevision = -1;
};
