#include "cmpdfreader.h"

#include "cmpdflayout.h"

#include <QFile>

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>

#include <memory>
#include <mutex>

using namespace Qt::StringLiterals;

namespace CMPdfReader {

namespace {

QString fromPoppler(const poppler::ustring &text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
}

// Typographic ligatures as the letters they stand for, so the words can be searched and read;
// private-use characters (a symbol font's bullets) have no meaning as text.
QString cleaned(QString text)
{
    text.removeIf([](QChar c) { return c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF; });
    static const std::pair<char16_t, const char16_t *> ligatures[] = {
        {0xFB00, u"ff"}, {0xFB01, u"fi"}, {0xFB02, u"fl"}, {0xFB03, u"ffi"},
        {0xFB04, u"ffl"}, {0xFB05, u"st"}, {0xFB06, u"st"}};
    for (const auto &[ligature, letters] : ligatures)
        if (text.contains(QChar(ligature)))
            text.replace(QChar(ligature), QString::fromUtf16(letters));
    return text;
}

std::vector<CMPdfLayout::Word> words(const poppler::page &page)
{
    std::vector<CMPdfLayout::Word> result;
    for (const poppler::text_box &box : page.text_list()) {
        // Text turned on its side is a watermark or a margin note, not the script.
        if (box.rotation() != 0)
            continue;
        const poppler::rectf r = box.bbox();
        result.push_back({cleaned(fromPoppler(box.text())), r.left(), r.top(), r.right(),
                          r.bottom(), box.has_space_after()});
    }
    return result;
}

} // namespace

CMReadResult read(const CMSource &source, CMReadProgress *progress)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        // poppler reports every oddity of a file on standard error; the user gets our message.
        poppler::set_debug_error_function([](const std::string &, void *) {}, nullptr);
    });

    QByteArray head;
    std::unique_ptr<poppler::document> document;
    if (source.isFile()) {
        QFile file(source.path());
        if (!file.open(QIODevice::ReadOnly))
            return CMReadResult::fail(file.errorString());
        head = file.read(1024);
        document.reset(poppler::document::load_from_file(QFile::encodeName(source.path()).toStdString()));
    } else {
        const QByteArrayView bytes = source.bytes();
        head = bytes.first(std::min<qsizetype>(bytes.size(), 1024)).toByteArray();
        if (bytes.size() <= std::numeric_limits<int>::max())
            document.reset(poppler::document::load_from_raw_data(bytes.data(), int(bytes.size())));
    }
    if (!document)
        return CMReadResult::fail(head.contains("%PDF-") ? u"the PDF is damaged"_s
                                                          : u"this is not a PDF document"_s);
    if (document->is_locked())
        return CMReadResult::fail(u"the PDF is protected with a password"_s);

    const int count = document->pages();
    std::vector<CMPdfLayout::Page> pages;
    qsizetype chars = 0;
    for (int i = 0; i < count; ++i) {
        if (progress) {
            if (progress->cancelled())
                return CMReadResult::fail(CMReadProgress::cancelledReason());
            progress->report(i, count);
        }
        const std::unique_ptr<poppler::page> page(document->create_page(i));
        if (!page)
            continue;
        const poppler::rectf box = page->page_rect();
        CMPdfLayout::Page laidOut{box.width(), box.height(), CMPdfLayout::lines(words(*page))};
        for (const CMPdfLayout::Line &line : laidOut.lines)
            chars += line.text.size() + 1;
        if (chars > CMReadLimits::maxTextChars)
            return CMReadResult::fail(CMReadLimits::textTooLong());
        pages.push_back(std::move(laidOut));
    }
    return CMReadResult::ok(CMPdfLayout::text(pages));
}

} // namespace CMPdfReader
