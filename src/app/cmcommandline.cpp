#include "cmcommandline.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

struct QtOption
{
    QLatin1StringView name;        // without its dash
    QLatin1StringView value;       // empty for a switch
    QLatin1StringView description; // empty: named in another's description, or listed as "also"
    bool alias = false;
};

// What QApplication 6 takes out of the command line, measured: each is also accepted with two
// dashes, and -style, -stylesheet and -qmljsdebugger also as name=value. The X11 ones are read
// by the xcb plugin only; we drop them on every platform so that none is taken for a file.
constexpr std::array qtOptions{
    QtOption{"platform"_L1, "name[:options]"_L1,
             "The windowing system: xcb, wayland or offscreen."_L1},
    QtOption{"display"_L1, "display"_L1, "The X display to open (xcb)."_L1},
    QtOption{"style"_L1, "style"_L1, "The widget style, for example Fusion."_L1},
    QtOption{"stylesheet"_L1, "file"_L1, "A Qt style sheet for the interface."_L1},
    QtOption{"platformtheme"_L1, "theme"_L1, "The platform theme plugin."_L1},
    QtOption{"platformpluginpath"_L1, "path"_L1, "A folder of platform plugins."_L1},
    QtOption{"plugin"_L1, "plugin"_L1, "An input plugin to load."_L1},
    QtOption{"qwindowgeometry"_L1, "geometry"_L1,
             "The main window's geometry (-geometry on X11)."_L1},
    QtOption{"geometry"_L1, "geometry"_L1, {}, true},
    QtOption{"qwindowtitle"_L1, "title"_L1, "The main window's title (-title on X11)."_L1},
    QtOption{"title"_L1, "title"_L1, {}, true},
    QtOption{"qwindowicon"_L1, "icon"_L1, "The main window's icon (-icon on X11)."_L1},
    QtOption{"icon"_L1, "icon"_L1, {}, true},
    QtOption{"name"_L1, "name"_L1, "The X11 resource name (xcb)."_L1},
    QtOption{"visual"_L1, "id"_L1, "The X11 visual (xcb)."_L1},
    QtOption{"session"_L1, "id"_L1, "The desktop session to restore."_L1},
    QtOption{"reverse"_L1, {}, "Lays the interface out right to left."_L1},
    QtOption{"qmljsdebugger"_L1, "options"_L1, {}},
    QtOption{"widgetcount"_L1, {}, {}},
    QtOption{"testability"_L1, {}, {}},
    QtOption{"nograb"_L1, {}, {}},
    QtOption{"dograb"_L1, {}, {}},
    QtOption{"qdevel"_L1, {}, {}},
    QtOption{"qdebug"_L1, {}, {}},
};

// Only these take their value after "=" as well as in the next argument.
bool takesJoinedValue(QLatin1StringView name)
{
    return name == "style"_L1 || name == "stylesheet"_L1 || name == "qmljsdebugger"_L1;
}

const QtOption *findQtOption(QStringView arg)
{
    if (!arg.startsWith(u'-'))
        return nullptr;
    const QStringView name = arg.sliced(arg.startsWith(u"--") ? 2 : 1);
    const auto option = std::find_if(qtOptions.begin(), qtOptions.end(), [&](const QtOption &o) {
        return name == o.name || (takesJoinedValue(o.name) && name.startsWith(o.name) &&
                                  name.size() > o.name.size() && name[o.name.size()] == u'=');
    });
    return option == qtOptions.end() ? nullptr : &*option;
}

bool qtOptionNeedingValue(QStringView arg)
{
    const QtOption *option = findQtOption(arg);
    return option && !option->value.isEmpty() && !arg.contains(u'=');
}

QString qtOptionsHelp()
{
    QStringList lines{u"Qt options (also with two dashes, --display):"_s};
    QStringList others;
    for (const QtOption &o : qtOptions) {
        if (o.description.isEmpty()) {
            if (!o.alias)
                others << u"-"_s + o.name;
            continue;
        }
        QString left = u"  -"_s + o.name;
        if (!o.value.isEmpty())
            left += u" <"_s + o.value + u'>';
        lines << left.leftJustified(31) + u' ' + o.description;
    }
    lines << u"  Also accepted: "_s + others.join(u", "_s) + u'.';
    return lines.join(u'\n') + u'\n';
}

} // namespace

QString CMCommandLine::versionText()
{
    return u"OVS Cuemaster %1 (build %2)"_s.arg(QStringLiteral(CM_VERSION),
                                                QStringLiteral(CM_BUILD));
}

QStringList CMCommandLine::withoutQtOptions(const QStringList &arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        // The program's own name is never an option.
        if (i == 0 || !arg.startsWith(u'-')) {
            kept << arg;
            continue;
        }
        if (!findQtOption(arg)) {
            kept << arg;
        } else if (qtOptionNeedingValue(arg)) {
            // Like Qt, a value-taking option at the very end is not Qt's: it stays.
            if (i + 1 < arguments.size())
                ++i;
            else
                kept << arg;
        }
    }
    return kept;
}

CMCommandLine CMCommandLine::parse(const QStringList &arguments)
{
    CMCommandLine result;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"A teleprompter: scrolls a script full screen, for camera rigs and stages."_s);
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Show this help and exit."_s);
    const QCommandLineOption version({u"v"_s, u"version"_s}, u"Show the version and exit."_s);
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(
        u"file"_s, u"A script to open (TXT, Markdown, RTF, RTFD, DOCX or DOC)."_s, u"[file]"_s);

    // The parser names the program after the application object, which may not exist yet:
    // name it after the arguments instead.
    const QString program =
        arguments.isEmpty() ? u"cuemaster"_s : QFileInfo(arguments.first()).fileName();
    const auto helpText = [&]() -> QString {
        QString text = parser.helpText();
        const qsizetype nameEnd = text.indexOf(u" [options]"_s);
        if (text.startsWith(u"Usage: "_s) && nameEnd > 0)
            text.replace(7, nameEnd - 7, program);
        return text + u'\n' + qtOptionsHelp();
    };
    // Ours are single letters or words after two dashes; a single-dash word is one option.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QStringList ours = withoutQtOptions(arguments);
    const auto refuse = [&](const QString &error) {
        result.output = error + u"\n\n"_s + helpText();
        result.exitCode = 2;
        return result;
    };
    // Only one that lacks its value is left of Qt's options: say what is missing.
    if (ours.size() > 1 && qtOptionNeedingValue(ours.last()))
        return refuse(u"Missing value after '%1'."_s.arg(ours.last()));
    if (!parser.parse(ours))
        return refuse(parser.errorText());
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
    // The running instance may have another working folder: hand it absolute paths.
    for (const QString &file : parser.positionalArguments())
        result.files << QFileInfo(QDir::current(), file).absoluteFilePath();
    return result;
}
