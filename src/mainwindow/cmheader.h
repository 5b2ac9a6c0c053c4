#pragma once

#include <engine/cmwordcount.h>
#include <kit/ovsurfaces.h>

class CMEngine;
class OVLCD;

// The header strip: the round logo, the product name in chrome lettering, the script's word
// count and reading time on an LCD, and the maker's badge.
class CMHeader : public OVPanel
{
    Q_OBJECT

public:
    explicit CMHeader(CMEngine &engine, QWidget *parent = nullptr);

    OVLCD *readout() const { return m_lcd; }

    // "N words · ~M:SS read", at 150 words a minute.
    static QString readoutText(qint64 words);

private:
    void recount();

    CMEngine &m_engine;
    OVLCD *m_lcd;
    // Counts only the part of the script an edit replaced.
    CMWordCount m_words;
};
