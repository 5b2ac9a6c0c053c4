#include "cmprompterrenderer.h"

#include "cmprompterpaint.h"
#include "cmrowlayout.h"
#include "cmscripttext.h"
#include "cmtextstyle.h"

#include <engine/cmmath.h>
#include <kit/ovfonts.h>

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QColor toColor(const CMMath::Rgb &rgb)
{
    return QColor::fromRgbF(float(rgb.r), float(rgb.g), float(rgb.b));
}

// Row images kept around the viewport, in canvas heights: half a screen above (a jump back),
// one screen below (what scrolls in next).
constexpr double keepAbove = 0.5;
constexpr double keepBelow = 1.0;

} // namespace

CMPrompterRenderer::CMPrompterRenderer(CMScriptText &text)
    : m_text(text)
{
    setSettings(CMSettings{});
}

void CMPrompterRenderer::setSettings(const CMSettings &settings)
{
    m_settings = settings;
    const CMMath::Palette &palette = CMMath::palette(settings.colors);
    m_textColor = toColor(palette.text);
    m_background = toColor(palette.background);
    m_geometry = CMCanvasGeometry::make(m_geometry.viewSize, settings);
    updateLook();
}

void CMPrompterRenderer::setViewSize(QSizeF size, qreal devicePixelRatio)
{
    m_devicePixelRatio = devicePixelRatio > 0 ? devicePixelRatio : 1;
    m_geometry = CMCanvasGeometry::make(size, m_settings);
    updateLook();
}

QSize CMPrompterRenderer::deviceSize() const
{
    return QSize(qRound(m_geometry.viewSize.width() * m_devicePixelRatio),
                 qRound(m_geometry.viewSize.height() * m_devicePixelRatio));
}

void CMPrompterRenderer::updateLook()
{
    const QSize device = deviceSize();
    CMTileLook look;
    look.deviceWidth = device.width();
    look.scale = device.width() / CMCanvasGeometry::width;
    // Italic and wide glyphs may overhang the column a little; beyond that the margins are
    // plain background, cheaper to fill than to copy from images.
    const double overhang = 0.5 * m_geometry.fontSize;
    look.left = std::clamp(int(std::floor((m_geometry.columnX - overhang) * look.scale)), 0,
                           device.width());
    const int right = std::clamp(
        int(std::ceil((m_geometry.columnX + m_geometry.columnWidth + overhang) * look.scale)),
        look.left, device.width());
    look.width = right - look.left;
    look.devicePixelRatio = m_devicePixelRatio;
    look.columnX = m_geometry.columnX;
    look.text = m_textColor;
    look.background = m_background;
    look.mirror = m_geometry.mirror;
    look.flip = m_geometry.flip;
    m_tiles.setLook(look);
}

void CMPrompterRenderer::paint(QPainter &painter, const Frame &frame)
{
    ++m_frame;
    const QSize device = deviceSize();
    if (device.width() < 1 || device.height() < 1) {
        painter.fillRect(QRectF(QPointF(), m_geometry.viewSize), m_background);
        return;
    }
    painter.save();
    paintRows(painter, frame);
    if (m_settings.cueLine)
        paintMarker(painter);
    if (frame.countdown)
        paintCountdown(painter, *frame.countdown);
    painter.restore();
    planAhead(frame.offset);
    m_tiles.evictOlderThan(m_frame);
}

const QImage &CMPrompterRenderer::tile(int row, int index, int rowPixels)
{
    const quint64 serial = m_text.serial(row);
    if (const QImage *image = m_tiles.find(serial, index, m_frame))
        return *image;
    const auto layout = m_text.layout(row);
    return m_tiles.render(*layout, serial, index, rowPixels, m_frame);
}

void CMPrompterRenderer::paintRows(QPainter &painter, const Frame &frame)
{
    const CMCanvasGeometry &g = m_geometry;
    const QSize device = deviceSize();
    const double scale = m_tiles.look().scale;
    const double blockTop = g.textTop(frame.offset);
    const double visibleTop = -blockTop;
    const double visibleBottom = visibleTop + g.height;
    int coverTop = device.height();
    int coverBottom = 0;
    const double motion = frame.motion * m_devicePixelRatio;
    const bool between = motion > 0 && motion < smoothBelowPixels;
    const CMTileLook &look = m_tiles.look();
    const int imageLeft = g.mirror ? look.deviceWidth - look.left - look.width : look.left;

    if (visibleBottom >= 0) {
        m_text.prepareThrough(visibleBottom);
        const int first = m_text.rowAt(std::max(visibleTop, 0.0));
        const int last = m_text.rowAt(visibleBottom);
        for (int row = first; row <= last; ++row) {
            const double rowY = (blockTop + m_text.rowTop(row)) * scale;
            const int pixels = CMRowTiles::rowPixels(m_text.rowExtent(row), scale);
            for (int index = 0; index < CMRowTiles::tileCount(pixels); ++index) {
                const int tileTop = index * CMRowTiles::tileHeight;
                const int tileHeight = std::min(CMRowTiles::tileHeight, pixels - tileTop);
                const double y = rowY + tileTop;
                if (y + tileHeight <= 0 || y >= device.height())
                    continue;
                const QImage &image = tile(row, index, pixels);
                const double placed = g.flip ? device.height() - y - tileHeight : y;
                // In slow motion, a row between two pixels is drawn on both, weighted by how
                // near it is to each, so the text glides instead of stepping a pixel at a time.
                const int at = between ? int(std::floor(placed)) : int(std::lround(placed));
                const double fraction = placed - at;
                const double x = imageLeft / m_devicePixelRatio;
                painter.drawImage(QPointF(x, at / m_devicePixelRatio), image);
                if (between && fraction > 1.0 / 128 && image.height() > 1) {
                    painter.setOpacity(fraction);
                    painter.drawImage(QPointF(x, (at + 1) / m_devicePixelRatio), image,
                                      QRectF(0, 0, image.width(), image.height() - 1));
                    painter.setOpacity(1);
                }
                coverTop = std::min(coverTop, at);
                coverBottom = std::max(coverBottom, at + image.height());
            }
        }
    }

    // Whatever the row images did not cover is background.
    const double ratio = m_devicePixelRatio;
    const QRectF view(QPointF(), g.viewSize);
    if (coverTop >= coverBottom) {
        painter.fillRect(view, m_background);
        return;
    }
    const double top = coverTop / ratio;
    const double bottom = coverBottom / ratio;
    const double left = imageLeft / ratio;
    const double right = (imageLeft + m_tiles.look().width) / ratio;
    painter.fillRect(QRectF(0, 0, view.width(), top), m_background);
    painter.fillRect(QRectF(0, bottom, view.width(), view.height() - bottom), m_background);
    painter.fillRect(QRectF(0, top, left, bottom - top), m_background);
    painter.fillRect(QRectF(right, top, view.width() - right, bottom - top), m_background);
}

void CMPrompterRenderer::paintMarker(QPainter &painter) const
{
    const CMCanvasGeometry &g = m_geometry;
    painter.save();
    painter.setWorldTransform(g.toView(), true);
    QColor band = CMPaint::markerRed();
    band.setAlphaF(0.13f);
    painter.fillRect(g.band(), band);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(CMPaint::markerRed());
    painter.drawPath(CMPaint::cueArrow(g.leftArrow()));
    painter.drawPath(CMPaint::cueArrow(g.rightArrow(), true));
    painter.restore();
}

void CMPrompterRenderer::paintCountdown(QPainter &painter, qint64 seconds)
{
    painter.fillRect(QRectF(QPointF(), m_geometry.viewSize), QColor::fromRgbF(0, 0, 0, 0.55f));
    const CountdownKey key{seconds, m_geometry, m_devicePixelRatio};
    if (!(key == m_countdownKey)) {
        m_countdownImage = renderCountdown(seconds, m_countdownRect);
        m_countdownKey = key;
    }
    if (!m_countdownImage.isNull()) {
        painter.drawImage(QPointF(m_countdownRect.x() / m_devicePixelRatio,
                                  m_countdownRect.y() / m_devicePixelRatio),
                          m_countdownImage);
    }
}

QImage CMPrompterRenderer::renderCountdown(qint64 seconds, QRect &deviceRect) const
{
    const CMCanvasGeometry &g = m_geometry;
    constexpr double ringSize = 360;
    constexpr double stroke = 14;
    const QFont font = CMTextStyle::canvasFont(
        OVFonts::font(260, QFont::ExtraBold, OVDesign::Rounded), 260);
    const CMRowLayout digits =
        CMRowLayout::line(QString::number(seconds), font, CMTextRole::Spoken);
    const CMRowLayout::Line line = digits.lines.empty() ? CMRowLayout::Line{} : digits.lines.front();
    const QPointF origin((g.width - line.width) / 2, (g.height - line.height) / 2);
    const QRectF ring((g.width - ringSize) / 2, (g.height - ringSize) / 2, ringSize, ringSize);
    const QRectF box = ring.united(QRectF(origin, QSizeF(line.width, line.height)))
                           .adjusted(-stroke, -stroke, stroke, stroke);
    const QTransform toDevice = g.toView() * QTransform::fromScale(m_devicePixelRatio, m_devicePixelRatio);
    deviceRect = toDevice.mapRect(box).toAlignedRect();
    if (deviceRect.isEmpty() || deviceRect.width() > 32768 || deviceRect.height() > 32768)
        return {};

    QImage image(deviceRect.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(toDevice * QTransform::fromTranslate(-deviceRect.x(), -deviceRect.y()));
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.85f), stroke));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(ring.adjusted(stroke / 2, stroke / 2, -stroke / 2, -stroke / 2));
    CMPaint::fillRuns(painter, line.runs, Qt::white, origin);
    painter.end();
    image.setDevicePixelRatio(m_devicePixelRatio);
    return image;
}

void CMPrompterRenderer::planAhead(double offset)
{
    m_ahead.clear();
    const double scale = m_tiles.look().scale;
    const double visibleTop = -m_geometry.textTop(offset);
    const double keepTop = visibleTop - keepAbove * m_geometry.height;
    const double keepBottom = visibleTop + (1 + keepBelow) * m_geometry.height;
    if (keepBottom < 0 || scale <= 0 || keepTop > m_text.height())
        return;
    std::vector<Pending> below;
    std::vector<Pending> above;
    const int first = m_text.rowAt(std::max(keepTop, 0.0));
    const int last = m_text.rowAt(keepBottom);
    for (int row = first; row <= last; ++row) {
        const double rowTop = m_text.rowTop(row);
        const int pixels = CMRowTiles::rowPixels(m_text.rowExtent(row), scale);
        for (int index = 0; index < CMRowTiles::tileCount(pixels); ++index) {
            const double tileTop = rowTop + index * CMRowTiles::tileHeight / scale;
            const double tileBottom = tileTop + CMRowTiles::tileHeight / scale;
            if (tileBottom < keepTop || tileTop > keepBottom)
                continue;
            const quint64 serial = m_text.serial(row);
            if (m_tiles.find(serial, index, m_frame))
                continue;
            (tileTop < visibleTop ? above : below).push_back({row, serial, index});
        }
    }
    // Stored in reverse so the nearest image is taken from the back: first what scrolls in
    // next, then upward from the viewport.
    m_ahead.assign(above.begin(), above.end());
    m_ahead.insert(m_ahead.end(), below.rbegin(), below.rend());
}

bool CMPrompterRenderer::renderAhead(std::chrono::nanoseconds budget)
{
    const auto deadline = std::chrono::steady_clock::now() + budget;
    const double scale = m_tiles.look().scale;
    while (!m_ahead.empty()) {
        const Pending next = m_ahead.back();
        m_ahead.pop_back();
        if (next.row >= m_text.rowCount() || m_text.serial(next.row) != next.serial
            || m_tiles.find(next.serial, next.index, m_frame)) {
            continue;
        }
        // Laying out a row measures it if it was not yet: its pixel height follows.
        const auto layout = m_text.layout(next.row);
        const int pixels = CMRowTiles::rowPixels(m_text.rowExtent(next.row), scale);
        if (next.index < CMRowTiles::tileCount(pixels))
            m_tiles.render(*layout, next.serial, next.index, pixels, m_frame);
        if (std::chrono::steady_clock::now() >= deadline)
            break;
    }
    return !m_ahead.empty();
}
