#pragma once

#include "cmoutputs.h"
#include "cmprompterrenderer.h"
#include "cmtimeoverlay.h"

#include <engine/cmclock.h>

#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class CMEngine;
class CMFrameClock;
class CMTextModel;

// The scrolling prompter picture, shown full screen in the live window (preview false) and
// small in the rig preview of the main window (preview true), both fed by the one engine.
// Each frame reads the engine's clock once and draws the script at offset(at) of that
// instant; frames follow the display's refresh while the engine runs and otherwise only
// come with engine changes; every view of the engine draws the same frame time. Reports the
// measured text height and its own canvas height to the engine, and calls remember() as the
// drawn offset moves, always later from the event loop, never while drawing.
//
// A live output may show its own mirror and flip instead of the settings' and the time of the
// take in a corner.
class CMPrompterView : public QWidget
{
    Q_OBJECT

public:
    CMPrompterView(CMEngine &engine, bool preview, QWidget *parent = nullptr);
    ~CMPrompterView() override;

    bool preview() const { return m_preview; }
    const CMCanvasGeometry &canvasGeometry() const { return m_renderer.geometry(); }

    // Mirror and flip of this view; none: the settings'.
    void setPicture(std::optional<bool> mirror, std::optional<bool> flip);
    // The time of the take in that corner; none: no time.
    void setTimeCorner(std::optional<CMCorner> corner);
    std::optional<CMCorner> timeCorner() const { return m_timeCorner; }
    // Whether this view tells the engine the viewport height (one live output does).
    void setDefinesViewport(bool defines);
    // The frame time and offset of the last frame drawn.
    std::optional<CMInstant> lastFrameTime() const { return m_lastFrameTime; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void settingsChanged();
    void updatePacing();
    void timeTick();
    const QString &timeText(CMInstant t);
    void syncViewSize();
    void scheduleReport();
    void noteShownOffset(double offset);
    void workBetweenFrames();
    std::optional<qint64> countdownSeconds(CMInstant t) const;

    CMEngine &m_engine;
    bool m_preview;
    std::shared_ptr<CMTextModel> m_model;
    CMPrompterRenderer m_renderer;
    std::shared_ptr<CMFrameClock> m_clock;
    QTimer m_between;
    std::optional<qint64> m_shownWhole;
    bool m_rememberPending = false;
    bool m_laidOut = false;
    bool m_definesViewport = true;
    std::optional<bool> m_mirror;
    std::optional<bool> m_flip;
    std::optional<CMCorner> m_timeCorner;
    CMTimeOverlay m_overlay;
    QTimer m_timeTick;
    std::optional<std::pair<CMTakeTime, QTime>> m_timeShown;
    QString m_timeText;
    std::optional<CMInstant> m_lastFrameTime;
    struct Report
    {
        double contentHeight = -1;
        double viewportHeight = -1;
        bool live = false;
        bool sized = false;
        bool definesViewport = true;
        friend bool operator==(const Report &, const Report &) = default;
    };
    std::optional<Report> m_reported;
};
