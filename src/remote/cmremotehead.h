#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

// The head of an HTTP request, read before the HTTP server sees a byte of it, so the remote
// can refuse a request (no token, a body too large, a foreign origin) while it is still only a
// few hundred bytes. Only what the refusals need is kept. Framing is strict on purpose: a head
// this reader accepts is framed the same way by the server's own parser.
struct CMRemoteHead
{
    enum class Status { Incomplete, Invalid, Complete };

    Status status = Status::Incomplete;
    qsizetype size = 0; // bytes up to and including the empty line
    QByteArray method;
    QByteArray path;  // the request target before "?", as sent
    QByteArray query; // after "?"
    QByteArray host;
    QByteArray authorization;
    QByteArray origin;
    QByteArray upgrade;
    qint64 contentLength = 0;
    bool hasTransferEncoding = false;

    static constexpr qsizetype maxSize = 16 * 1024;

    static CMRemoteHead parse(QByteArrayView bytes);
};

// What the remote accepts: its token and the names it answers to besides address literals.
struct CMRemoteAccess
{
    QByteArray token;
    QStringList hostNames;
};

// The gate's decision about one request head: pass it on (status 0) with the largest body it
// may carry, or refuse it with an HTTP status and a short reason for the client.
struct CMRemoteVerdict
{
    int status = 0;
    QByteArray reason;
    bool webSocket = false;
    qint64 bodyLimit = 0;

    bool passes() const { return status == 0; }
};

namespace CMRemoteGatePolicy {

inline constexpr qint64 maxCommandBytes = 16 * 1024;
// A script may be as large as a plain-text file the import reads.
inline constexpr qint64 maxScriptBytes = 64LL * 1024 * 1024;
inline constexpr char eventsPath[] = "/api/v1/events";
inline constexpr char scriptPath[] = "/api/v1/script";

CMRemoteVerdict judge(const CMRemoteHead &head, const CMRemoteAccess &access);

// The token a head carries: the bearer credential, else (for GET, which is how a browser opens
// the page and a WebSocket) the `token` query parameter.
QByteArray presentedToken(const CMRemoteHead &head);

// Whether a Host header names this machine: an address literal, "localhost" or one of `names`.
bool acceptableHost(QByteArrayView host, const QStringList &names);

} // namespace CMRemoteGatePolicy
