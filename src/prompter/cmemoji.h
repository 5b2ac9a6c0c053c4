#pragma once

#include <QStringView>

#include <vector>

// Where text asks for emoji presentation: a character that shows as emoji by default, or one
// that may show either way followed by the emoji variation selector or a skin tone, with what
// joins it into one emoji (variation selectors, skin tones, keycaps, tags, zero-width joiners
// and the pictographs they join). Font fallback alone would often pick a monochrome symbol
// font for these; the prompter sets them in the colour emoji font instead.
namespace CMEmoji {

struct Range
{
    qsizetype start = 0; // UTF-16 units
    qsizetype length = 0;
    friend bool operator==(const Range &, const Range &) = default;
};

// One range per emoji, in text order.
std::vector<Range> presentationRanges(QStringView text);

} // namespace CMEmoji
