#pragma once

#include "cmprompterrenderer.h"

#include <engine/cmclock.h>

#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class CMEngine;
class CMFramePacer;
class CMTextModel;

// The scrolling prompter picture, shown full screen in the live window (preview false) and
// small in the rig preview of the main window (preview true), both fed by the one engine.
// Each frame reads the engine's clock once and draws the script at offset(at) of that
// instant; frames follow the display's refresh while the engine runs and otherwise only
// come with engine changes. Reports the measured text height and its own canvas height to
// the engine, and calls remember() as the drawn offset moves, always later from the event
// loop, never while drawing.
class CMPrompterView : public QWidget
{
    Q_OBJECT

public:
    CMPrompterView(CMEngine &engine, bool preview, QWidget *parent = nullptr);
    ~CMPrompterView() override;

    bool preview() const { return m_preview; }
    const CMCanvasGeometry &canvasGeometry() const { return m_renderer.geometry(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void settingsChanged();
    void updatePacing();
    void syncViewSize();
    void scheduleReport();
    void noteShownOffset(double offset);
    void workBetweenFrames();
    std::optional<qint64> countdownSeconds(CMInstant t) const;

    CMEngine &m_engine;
    bool m_preview;
    std::shared_ptr<CMTextModel> m_model;
    CMPrompterRenderer m_renderer;
    CMFramePacer *m_pacer;
    QTimer m_between;
    std::optional<qint64> m_shownWhole;
    bool m_rememberPending = false;
    bool m_laidOut = false;
    struct Report
    {
        double contentHeight = -1;
        double viewportHeight = -1;
        bool live = false;
        bool sized = false;
        friend bool operator==(const Report &, const Report &) = default;
    };
    std::optional<Report> m_reported;
};
