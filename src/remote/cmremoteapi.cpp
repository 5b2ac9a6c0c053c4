#include "cmremoteapi.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <engine/cmengine.h>
#include <engine/cmmath.h>
#include <files/cmimport.h>
#include <files/cmplaintext.h>

using namespace Qt::StringLiterals;

namespace {

CMRemoteReply error(int status, const QString &message)
{
    return {status,
            "application/json",
            QJsonDocument(QJsonObject{{u"error"_s, message}}).toJson(QJsonDocument::Compact),
            {}};
}

bool isJson(const QByteArray &contentType)
{
    return contentType.trimmed().toLower().startsWith("application/json");
}

std::variant<QJsonObject, CMRemoteReply> jsonObject(const CMRemoteRequest &request)
{
    if (!isJson(request.contentType))
        return error(415, u"Send JSON (Content-Type: application/json)."_s);
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(request.body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return error(400, u"The body is not a JSON object."_s);
    return doc.object();
}

QByteArray fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

CMRemoteApi::CMRemoteApi(CMEngine &engine, CMRemoteHooks hooks, QObject *parent)
    : QObject(parent), m_engine(engine), m_hooks(std::move(hooks)), m_epoch(engine.now())
{
    // Counted when a remote asks, not at every keystroke.
    connect(&engine, &CMEngine::scriptChanged, this, [this] { ++m_script.revision; });
}

double CMRemoteApi::serverMs() const
{
    return CMRemoteState::serverMs(m_epoch, m_engine.now());
}

QJsonObject CMRemoteApi::state() const
{
    if (m_wordsRevision != m_script.revision) {
        m_script.words = CMMath::words(m_engine.script());
        m_wordsRevision = m_script.revision;
    }
    return CMRemoteState::state(m_engine, m_epoch, m_engine.now(), m_script);
}

QJsonObject CMRemoteApi::cueReached(int index) const
{
    return CMRemoteState::cueReached(m_engine, index, m_epoch, m_engine.now());
}

QString CMRemoteApi::command(const QJsonObject &command)
{
    return CMRemoteCommands::run(m_engine, command, m_hooks).error;
}

QByteArray CMRemoteApi::page()
{
    // One self-contained page: the browser needs no second request, and so no second token.
    static const QByteArray html = [] {
        QByteArray text = fileText(u":/remote/index.html"_s);
        const QByteArray style = "<style>\n" + fileText(u":/remote/remote.css"_s) + "</style>";
        const QByteArray script = "<script>\n" + fileText(u":/remote/remote.js"_s) + "</script>";
        text.replace("<!--style-->", style);
        text.replace("<!--script-->", script);
        return text;
    }();
    return html;
}

CMRemoteReply CMRemoteApi::stateReply(int status) const
{
    return {status, "application/json", QJsonDocument(state()).toJson(QJsonDocument::Compact), {}};
}

CMRemoteReply CMRemoteApi::reply(const CMRemoteRequest &request)
{
    const QString &path = request.path;
    const QByteArray &method = request.method;
    const auto only = [&](std::initializer_list<const char *> methods) {
        for (const char *m : methods) {
            if (method == m)
                return true;
        }
        return false;
    };

    if (path == u"/" || path == u"/index.html") {
        if (!only({"GET", "HEAD"}))
            return error(405, u"Use GET."_s);
        return {200,
                "text/html; charset=utf-8",
                page(),
                {{"Content-Security-Policy",
                  "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                  "connect-src 'self'; img-src data:; base-uri 'none'; form-action 'none'; "
                  "frame-ancestors 'none'"}}};
    }
    if (path == u"/api/v1/state") {
        if (!only({"GET", "HEAD"}))
            return error(405, u"Use GET."_s);
        return stateReply();
    }
    if (path == u"/api/v1/command") {
        if (!only({"POST"}))
            return error(405, u"Use POST."_s);
        return postCommand(request);
    }
    if (path == u"/api/v1/settings") {
        if (only({"GET", "HEAD"})) {
            return {200,
                    "application/json",
                    QJsonDocument(CMRemoteState::settings(m_engine)).toJson(QJsonDocument::Compact),
                    {}};
        }
        if (!only({"PATCH"}))
            return error(405, u"Use GET or PATCH."_s);
        return patchSettings(request);
    }
    if (path == u"/api/v1/script") {
        if (only({"GET", "HEAD"}))
            return {200, "text/plain; charset=utf-8", m_engine.script().toUtf8(), {}};
        if (!only({"PUT"}))
            return error(405, u"Use GET or PUT."_s);
        return putScript(request);
    }
    return error(404, u"Not found."_s);
}

CMRemoteReply CMRemoteApi::postCommand(const CMRemoteRequest &request)
{
    const auto body = jsonObject(request);
    if (const auto *refusal = std::get_if<CMRemoteReply>(&body))
        return *refusal;
    const QString failure = command(std::get<QJsonObject>(body));
    return failure.isEmpty() ? stateReply() : error(400, failure);
}

CMRemoteReply CMRemoteApi::patchSettings(const CMRemoteRequest &request)
{
    const auto body = jsonObject(request);
    if (const auto *refusal = std::get_if<CMRemoteReply>(&body))
        return *refusal;
    const auto result = CMRemoteCommands::patched(m_engine.settings(), std::get<QJsonObject>(body));
    if (const auto *failure = std::get_if<QString>(&result))
        return error(400, *failure);
    const CMSettings &settings = std::get<CMSettings>(result);
    if (!(settings == m_engine.settings()))
        m_engine.setSettings(settings);
    return stateReply();
}

CMRemoteReply CMRemoteApi::putScript(const CMRemoteRequest &request)
{
    std::optional<QString> text;
    const QByteArray type = request.contentType.trimmed().toLower();
    if (isJson(type)) {
        QJsonParseError parseError;
        const QJsonDocument doc = QJsonDocument::fromJson(request.body, &parseError);
        const QJsonValue script = doc.isObject() ? doc.object().value(u"script"_s) : QJsonValue();
        if (parseError.error != QJsonParseError::NoError || !script.isString())
            return error(400, u"Send {\"script\": TEXT}."_s);
        text = script.toString();
    } else if (type.isEmpty() || type.startsWith("text/plain")) {
        // Read as a plain-text file is read: UTF-8, UTF-16 with a byte-order mark, or the
        // legacy code pages.
        text = CMPlainText::decode(request.body);
        if (!text)
            return error(400, u"The script is not text."_s);
    } else {
        return error(415, u"Send the script as text/plain or as JSON."_s);
    }
    m_engine.replaceScript(CMImport::normalise(*text));
    return stateReply();
}
