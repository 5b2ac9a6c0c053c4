#include "cmtimeoverlay.h"

#include "cmtextstyle.h"

#include <kit/ovfonts.h>

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

std::function<QTime()> &wallClockSource()
{
    static std::function<QTime()> source;
    return source;
}

QFont overlayFont()
{
    return CMTextStyle::canvasFont(OVFonts::font(CMTimeOverlay::fontSize, QFont::Bold,
                                                 OVDesign::Monospaced),
                                   CMTimeOverlay::fontSize);
}

constexpr double padX = 18;
constexpr double boxHeight = 1.8 * CMTimeOverlay::fontSize;

} // namespace

void CMTimeOverlay::setWallClock(std::function<QTime()> clock)
{
    wallClockSource() = std::move(clock);
}

QTime CMTimeOverlay::wallClock()
{
    return wallClockSource() ? wallClockSource()() : QTime::currentTime();
}

QString CMTimeOverlay::text(const CMTakeTime &time, QTime wall)
{
    // Hours and minutes in the reader's own way ("14:05", "2:05 PM"); seconds would only
    // make the corner busy.
    static const QString format = [] {
        QString f = QLocale::system().timeFormat(QLocale::ShortFormat);
        f.remove(QRegularExpression(u"[:.]s+"_s));
        return f;
    }();
    return QLocale::system().toString(wall, format) + u" \u00B7 "_s + time.line();
}

QRectF CMTimeOverlay::box(const CMCanvasGeometry &g, CMCorner corner, double width)
{
    const double w = width + 2 * padX;
    const bool left = corner == CMCorner::TopLeft || corner == CMCorner::BottomLeft;
    const bool top = corner == CMCorner::TopLeft || corner == CMCorner::TopRight;
    return {left ? inset : g.width - inset - w, top ? inset : g.height - inset - boxHeight, w,
            boxHeight};
}

void CMTimeOverlay::paint(QPainter &painter, const CMCanvasGeometry &g, qreal devicePixelRatio,
                          CMCorner corner, const QString &text)
{
    const Key key{text, g, devicePixelRatio, corner};
    if (!(key == m_key)) {
        m_key = key;
        m_image = {};
        const QFont font = overlayFont();
        const QFontMetricsF metrics(font, CMTextStyle::device());
        const QRectF canvasBox = box(g, corner, metrics.horizontalAdvance(text));
        const QTransform toDevice =
            g.toView() * QTransform::fromScale(devicePixelRatio, devicePixelRatio);
        m_deviceRect = toDevice.mapRect(canvasBox).toAlignedRect();
        if (!m_deviceRect.isEmpty() && m_deviceRect.width() <= 32768
            && m_deviceRect.height() <= 32768) {
            m_image = QImage(m_deviceRect.size(), QImage::Format_ARGB32_Premultiplied);
            m_image.fill(Qt::transparent);
            QPainter p(&m_image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setTransform(toDevice
                           * QTransform::fromTranslate(-m_deviceRect.x(), -m_deviceRect.y()));
            QPainterPath capsule;
            capsule.addRoundedRect(canvasBox, boxHeight / 2, boxHeight / 2);
            p.fillPath(capsule, QColor::fromRgbF(0, 0, 0, 0.7f));
            p.setFont(font);
            p.setPen(Qt::white);
            const double baseline = canvasBox.top()
                + (canvasBox.height() - metrics.ascent() - metrics.descent()) / 2
                + metrics.ascent();
            p.drawText(QPointF(canvasBox.left() + padX, baseline), text);
            p.end();
            m_image.setDevicePixelRatio(devicePixelRatio);
        }
    }
    if (!m_image.isNull()) {
        painter.drawImage(QPointF(m_deviceRect.x() / devicePixelRatio,
                                  m_deviceRect.y() / devicePixelRatio),
                          m_image);
    }
}
