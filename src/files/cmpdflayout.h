#pragma once

#include <QString>

#include <vector>

// Turns the words a PDF's pages show, in reading order, back into script text: the visual
// lines of a paragraph joined into one line (a word hyphenated at a line's end made whole
// again), and the running headers, footers and page numbers that repeat on the pages left
// out. Pure geometry, in page units with y growing downwards.
namespace CMPdfLayout {

struct Word
{
    QString text;
    double left = 0, top = 0, right = 0, bottom = 0;
    bool spaceAfter = false;
};

struct Line
{
    QString text;
    double left = 0, top = 0, right = 0, bottom = 0;
    double height() const { return bottom - top; }
};

struct Page
{
    double width = 0, height = 0;
    std::vector<Line> lines;
};

// The words of one page, in reading order, gathered into lines.
std::vector<Line> lines(const std::vector<Word> &words);

// The script text of the pages.
QString text(const std::vector<Page> &pages);

} // namespace CMPdfLayout
