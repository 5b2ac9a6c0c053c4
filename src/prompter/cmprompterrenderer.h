#pragma once

#include "cmcanvasgeometry.h"
#include "cmrowtiles.h"

#include <engine/cmsettings.h>

#include <chrono>
#include <optional>
#include <vector>

class CMScriptText;
class QPainter;

// Draws one frame of the prompter picture into a painter: the background, the script rows
// moved by the scroll offset, the reading-line marker and the countdown, mirrored and
// flipped as set. Rows are drawn from images kept for the rows near the viewport (rendered
// on demand for what the frame shows, ahead of the scroll between frames); scrolling only
// moves them.
class CMPrompterRenderer
{
public:
    explicit CMPrompterRenderer(CMScriptText &text);

    void setSettings(const CMSettings &settings);
    // The view's size in view points and its device pixel ratio.
    void setViewSize(QSizeF size, qreal devicePixelRatio = 1);
    const CMCanvasGeometry &geometry() const { return m_geometry; }
    qreal devicePixelRatio() const { return m_devicePixelRatio; }

    struct Frame
    {
        double offset = 0;
        std::optional<qint64> countdown; // whole seconds left, when counting down
        // How far the text moves from one frame to the next, in view points; 0 when still.
        double motion = 0;
    };
    // Below this motion per frame, in device pixels, text is placed between pixels: whole
    // pixel steps would show as uneven jerks. Above it they are too small to see, and each
    // frame is a plain copy of the row images.
    static constexpr double smoothBelowPixels = 6;
    void paint(QPainter &painter, const Frame &frame);

    // Renders images that the next frames will need near the last frame's viewport, until
    // the budget is spent; returns whether more remain.
    bool renderAhead(std::chrono::nanoseconds budget);
    bool hasAheadWork() const { return !m_ahead.empty(); }

    qint64 imageBytes() const { return m_tiles.bytes(); }
    int imageCount() const { return m_tiles.count(); }

private:
    struct Pending
    {
        int row;
        quint64 serial;
        int index;
    };
    struct CountdownKey
    {
        qint64 seconds = -1;
        CMCanvasGeometry geometry;
        qreal devicePixelRatio = 1;
        friend bool operator==(const CountdownKey &, const CountdownKey &) = default;
    };

    QSize deviceSize() const;
    void updateLook();
    void paintRows(QPainter &painter, const Frame &frame);
    void paintMarker(QPainter &painter) const;
    void paintCountdown(QPainter &painter, qint64 seconds);
    QImage renderCountdown(qint64 seconds, QRect &deviceRect) const;
    void planAhead(double offset);
    const QImage &tile(int row, int index, int rowPixels);

    CMScriptText &m_text;
    CMSettings m_settings;
    CMCanvasGeometry m_geometry;
    qreal m_devicePixelRatio = 1;
    QColor m_textColor = Qt::white;
    QColor m_background = Qt::black;
    CMRowTiles m_tiles;
    qint64 m_frame = 0;
    std::vector<Pending> m_ahead;
    CountdownKey m_countdownKey;
    QImage m_countdownImage;
    QRect m_countdownRect;
};
