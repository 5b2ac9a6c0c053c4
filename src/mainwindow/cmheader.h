#pragma once

#include <kit/ovsurfaces.h>

#include <QTimer>

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

    // Scripts at least this long are counted on another thread, a moment after a change.
    static constexpr qsizetype countInlineBelow = 1 << 20;

private:
    void recount();
    void startCount();
    void counted(qint64 words);

    CMEngine &m_engine;
    OVLCD *m_lcd;
    QTimer m_countLater;
    bool m_counting = false;
    bool m_stale = false; // the script changed since the count under way began
};
