#include "ovhelppage.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace OVHelp {

namespace {

QString trimSpacesAndTabs(const QString &s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(s[begin]))
        ++begin;
    while (end > begin && blank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

bool matches(const HelpPage &page, const QString &query)
{
    if (page.title.toLower().contains(query))
        return true;
    return std::any_of(page.blocks.cbegin(), page.blocks.cend(), [&](const HelpBlock &b) {
        return b.searchableText().toLower().contains(query);
    });
}

} // namespace

QList<HelpPage> filtered(const QList<HelpPage> &pages, const QString &search)
{
    const QString query = trimSpacesAndTabs(search).toLower();
    if (query.isEmpty())
        return pages;
    QList<HelpPage> result;
    for (const HelpPage &page : pages) {
        if (matches(page, query))
            result.append(page);
    }
    return result;
}

QString forPlatform(const QString &text, bool mac)
{
    if (mac)
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'⌘') {
            out += text[i];
            continue;
        }
        out += u"Ctrl+"_s;
        while (i + 1 < text.size() && text[i + 1] == u' ')
            ++i;
        if (i + 1 < text.size() && text[i + 1] == u'↩') {
            out += u"Return"_s;
            ++i;
        }
    }
    return out;
}

QList<HelpPage> forPlatform(QList<HelpPage> pages, bool mac)
{
    if (mac)
        return pages;
    for (HelpPage &page : pages) {
        page.title = forPlatform(page.title, mac);
        for (HelpBlock &block : page.blocks) {
            for (QString &s : block.strings)
                s = forPlatform(s, mac);
        }
    }
    return pages;
}

const HelpPage *find(const QList<HelpPage> &pages, const QString &id)
{
    const auto it = std::find_if(pages.cbegin(), pages.cend(),
                                 [&](const HelpPage &p) { return p.id == id; });
    return it == pages.cend() ? nullptr : &*it;
}

} // namespace OVHelp
