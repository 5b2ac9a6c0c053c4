#include <files/cmimport.h>
#include <files/cmpdflayout.h>

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

// Any other input is read as pages of words, so the layout rules are fuzzed directly: random
// bytes rarely make a PDF with text in it.
void layOut(const uint8_t *data, size_t size)
{
    std::vector<CMPdfLayout::Page> pages;
    constexpr size_t wordBytes = 9;
    for (size_t at = 0; at + wordBytes <= size && pages.size() < 8;) {
        CMPdfLayout::Page page{612, 792, {}};
        std::vector<CMPdfLayout::Word> words;
        const size_t count = data[at++] % 64;
        for (size_t i = 0; i < count && at + wordBytes <= size; ++i, at += wordBytes) {
            const uint8_t *w = data + at;
            const double left = w[0] * 2.4, top = w[1] * 3.1;
            const QString text = QString(1 + w[4] % 12, QChar(u'a' + w[5] % 26))
                                 + (w[6] & 1 ? u"-"_s : QString());
            words.push_back({text, left, top, left + 1 + w[2], top + 1 + w[3] % 40, bool(w[7] & 1)});
        }
        page.lines = CMPdfLayout::lines(std::move(words));
        pages.push_back(std::move(page));
    }
    (void)CMPdfLayout::text(pages);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.contains("%PDF"))
        (void)CMImport::readBytes(u"fuzz.pdf"_s, bytes);
    else
        layOut(data, size);
    return 0;
}
