#pragma once

#include <QString>

#include <vector>

// Turns the words a PDF's pages show back into script text. Words sharing a baseline make a
// line, read left to right, with a tab where a wide gap separates them (table cells, tab
// stops); a page set in two columns of prose is read one column after the other. The visual
// lines of a paragraph are joined into one line (a word hyphenated at a line's end made whole
// again), and the running headers, footers and page numbers that repeat on the pages are left
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
    bool tabular = false; // cells separated by tabs: never joined with its neighbours
    double height() const { return bottom - top; }
};

struct Page
{
    double width = 0, height = 0;
    std::vector<Line> lines;
};

// The words of one page, in any order, gathered into lines in reading order.
std::vector<Line> lines(std::vector<Word> words);

// The script text of the pages.
QString text(const std::vector<Page> &pages);

} // namespace CMPdfLayout
