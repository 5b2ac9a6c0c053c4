#include "cmcommandline.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString CMCommandLine::versionText()
{
    return u"OVS Cuemaster %1 (build %2)"_s.arg(QStringLiteral(CM_VERSION),
                                                 QStringLiteral(CM_BUILD));
}

CMCommandLine CMCommandLine::parse(const QStringList &arguments)
{
    CMCommandLine result;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"A teleprompter: scrolls a script full screen, for camera rigs and stages."_s);
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Show this help and exit."_s);
    const QCommandLineOption version({u"v"_s, u"version"_s}, u"Show the version and exit."_s);
    const QCommandLineOption remote(
        u"remote"_s,
        u"Turn on remote control for this run, for this computer only, on PORT (default: any "
        u"free port), and print its address. Written --remote or --remote=PORT."_s);
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(remote);
    parser.addPositionalArgument(
        u"file"_s, u"A script to open (TXT, Markdown, RTF, RTFD, DOCX or DOC)."_s, u"[file]"_s);

    // The parser names the program after the application object, which may not exist yet:
    // name it after the arguments instead.
    const QString program =
        arguments.isEmpty() ? u"cuemaster"_s : QFileInfo(arguments.first()).fileName();
    const auto helpText = [&] {
        QString text = parser.helpText();
        const qsizetype nameEnd = text.indexOf(u" [options]"_s);
        if (text.startsWith(u"Usage: "_s) && nameEnd > 0)
            text.replace(7, nameEnd - 7, program);
        return text;
    };
    // The parser knows no optional values: --remote=PORT is read here.
    QStringList args = arguments;
    std::optional<QString> remotePort;
    for (QString &a : args) {
        if (a.startsWith(u"--remote="_s)) {
            remotePort = a.sliced(9);
            a = u"--remote"_s;
        }
    }
    if (!parser.parse(args)) {
        result.output = parser.errorText() + u"\n\n"_s + helpText();
        result.exitCode = 2;
        return result;
    }
    if (parser.isSet(help)) {
        result.output = helpText();
        result.exitCode = 0;
        return result;
    }
    if (parser.isSet(version)) {
        result.output = versionText() + u'\n';
        result.exitCode = 0;
        return result;
    }
    if (parser.isSet(remote)) {
        bool ok = true;
        const uint port = remotePort ? remotePort->toUInt(&ok) : 0;
        if (!ok || port > 65535) {
            result.output = u"The remote control port must be a number from 0 to 65535.\n"_s;
            result.exitCode = 2;
            return result;
        }
        result.remotePort = quint16(port);
    }
    // The running instance may have another working folder: hand it absolute paths.
    for (const QString &file : parser.positionalArguments())
        result.files << QFileInfo(QDir::current(), file).absoluteFilePath();
    return result;
}
