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
    return CMTextStyle::canvasFont(
        OVFonts::font(CMTimeOverlay::fontSize, QFont::Bold, OVDesign::Monospaced),
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
        m_image = render(g, devicePixelRatio, corner, text, m_deviceRect);
    }
    if (!m_image.isNull()) {
        painter.drawImage(
            QPointF(m_deviceRect.x() / devicePixelRatio, m_deviceRect.y() / devicePixelRatio),
            m_image);
    }
}

// Drawn upright, then turned as a whole: the mirrored time is exactly the mirror image of the
// upright one, pixel for pixel, like the text rows.
QImage CMTimeOverlay::render(const CMCanvasGeometry &g, qreal devicePixelRatio, CMCorner corner,
                             const QString &text, QRect &deviceRect)
{
    const QFont font = overlayFont();
    const QFontMetricsF metrics(font, CMTextStyle::device());
    const QRectF canvasBox = box(g, corner, metrics.horizontalAdvance(text));
    const double toDevice = g.scale * devicePixelRatio;
    const QRect upright =
        QTransform::fromScale(toDevice, toDevice).mapRect(canvasBox).toAlignedRect();
    if (upright.isEmpty() || upright.width() > 32768 || upright.height() > 32768)
        return {};

    QImage image(upright.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(-upright.x(), -upright.y());
    p.scale(toDevice, toDevice);
    QPainterPath capsule;
    capsule.addRoundedRect(canvasBox, boxHeight / 2, boxHeight / 2);
    p.fillPath(capsule, QColor::fromRgbF(0, 0, 0, 0.7f));
    p.setFont(font);
    p.setPen(Qt::white);
    const double baseline = canvasBox.top() +
                            (canvasBox.height() - metrics.ascent() - metrics.descent()) / 2 +
                            metrics.ascent();
    p.drawText(QPointF(canvasBox.left() + padX, baseline), text);
    p.end();

    const QSize device(qRound(g.viewSize.width() * devicePixelRatio),
                       qRound(g.viewSize.height() * devicePixelRatio));
    deviceRect = upright;
    if (g.mirror)
        deviceRect.moveLeft(device.width() - upright.x() - upright.width());
    if (g.flip)
        deviceRect.moveTop(device.height() - upright.y() - upright.height());
    QImage turned = image.mirrored(g.mirror, g.flip);
    turned.setDevicePixelRatio(devicePixelRatio);
    return turned;
}
