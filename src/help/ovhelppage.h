#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One block of a help page. The payload's meaning depends on the kind: one string for a
// heading, text or tip; the items of steps and bullets; (name, description) for a control and
// (keys, description) for a key.
struct HelpBlock
{
    enum class Kind { Heading, Text, Steps, Bullets, Control, Key, Tip };

    Kind kind = Kind::Text;
    QStringList strings;

    static HelpBlock heading(const QString &s) { return {Kind::Heading, {s}}; }
    static HelpBlock text(const QString &s) { return {Kind::Text, {s}}; }
    static HelpBlock steps(const QStringList &items) { return {Kind::Steps, items}; }
    static HelpBlock bullets(const QStringList &items) { return {Kind::Bullets, items}; }
    static HelpBlock control(const QString &name, const QString &description)
    {
        return {Kind::Control, {name, description}};
    }
    static HelpBlock key(const QString &keys, const QString &description)
    {
        return {Kind::Key, {keys, description}};
    }
    static HelpBlock tip(const QString &s) { return {Kind::Tip, {s}}; }

    // What the search looks in: the strings joined with single spaces.
    QString searchableText() const { return strings.join(u' '); }
};

struct HelpPage
{
    QString id;
    QString title;
    QString symbol; // a platform symbol name, drawn through the kit's symbol table
    QList<HelpBlock> blocks;
};

namespace OVHelp {

// The pages whose title or any block contains the search text (trimmed of spaces and tabs,
// case-insensitive), in order; every page for an empty search.
QList<HelpPage> filtered(const QList<HelpPage> &pages, const QString &search);

// The page with the id, or null.
const HelpPage *find(const QList<HelpPage> &pages, const QString &id);

#ifdef Q_OS_MACOS
inline constexpr bool onMac = true;
#else
inline constexpr bool onMac = false;
#endif

// Key captions as the platform writes them: the Command sign on a Mac; elsewhere the key that
// does the work, named the way the menus name it ("⌘L" reads "Ctrl+L", "⌘ =" "Ctrl+=", "⌘↩"
// "Ctrl+Return").
QString forPlatform(const QString &text, bool mac = onMac);
QList<HelpPage> forPlatform(QList<HelpPage> pages, bool mac = onMac);

} // namespace OVHelp
