#include "ovhelppage.h"

#include <algorithm>

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

const HelpPage *find(const QList<HelpPage> &pages, const QString &id)
{
    const auto it = std::find_if(pages.cbegin(), pages.cend(),
                                 [&](const HelpPage &p) { return p.id == id; });
    return it == pages.cend() ? nullptr : &*it;
}

} // namespace OVHelp
