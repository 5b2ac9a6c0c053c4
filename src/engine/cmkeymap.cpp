#include "cmengine.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr double fontStepPt = 4;
constexpr double largestFontPt = 200;
constexpr double smallestFontPt = 24;

} // namespace

bool CMEngine::handle(int key, const QString &text)
{
    switch (key) {
    case Qt::Key_Space:
        toggle();
        return true;
    case Qt::Key_Escape:
        if (!m_live)
            return false;
        Q_EMIT endLiveRequested();
        return true;
    case Qt::Key_Home:
        backToTop();
        return true;
    case Qt::Key_End:
        goToEnd();
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_Left:
        jumpBack();
        return true;
    case Qt::Key_PageDown:
    case Qt::Key_Right:
        jumpAhead();
        return true;
    case Qt::Key_Up:
        faster();
        return true;
    case Qt::Key_Down:
        slower();
        return true;
    default:
        break;
    }

    // The text keeps Shift's effect: Shift-= arrives as "+", Shift-M as "M".
    const QString chars = text.toLower();
    if (chars.isEmpty())
        return false;
    if (chars == u"b"_s || chars == u"."_s) {
        toggle();
        return true;
    }
    if (chars == u"r"_s) {
        backToTop();
        return true;
    }
    // Without cue lines these do nothing, but they are still the prompter's keys.
    if (chars == u"]"_s) {
        nextCue();
        return true;
    }
    if (chars == u"["_s) {
        previousCue();
        return true;
    }
    CMSettings s = m_settings;
    if (chars == u"m"_s)
        s.mirror = !s.mirror;
    else if (chars == u"f"_s)
        s.flip = !s.flip;
    else if (chars == u"="_s || chars == u"+"_s)
        s.fontSize = std::min(s.fontSize + fontStepPt, largestFontPt);
    else if (chars == u"-"_s)
        s.fontSize = std::max(s.fontSize - fontStepPt, smallestFontPt);
    else
        return false;
    setSettings(s);
    return true;
}
