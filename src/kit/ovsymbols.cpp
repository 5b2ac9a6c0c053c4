#include "ovsymbols.h"

#include "ovfonts.h"
#include "ovpaint.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QRawFont>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Platform symbol name → code point of the Material Icons font (Debian's
// fonts-material-design-icons-iconfont).
const QHash<QString, char16_t> &table()
{
    static const QHash<QString, char16_t> map = {
        {u"backward.end.fill"_s, 0xe045},             // skip_previous
        {u"bolt.fill"_s, 0xea0b},                     // bolt
        {u"character.cursor.ibeam"_s, 0xe262},        // text_fields
        {u"chevron.down"_s, 0xe5cf},                  // expand_more
        {u"chevron.up"_s, 0xe5ce},                    // expand_less
        {u"dial.medium.fill"_s, 0xe9e4},              // speed
        {u"display"_s, 0xef5b},                       // monitor
        {u"doc.text"_s, 0xe873},                      // description
        {u"dot.radiowaves.left.and.right"_s, 0xe51e}, // sensors
        {u"ellipsis.circle"_s, 0xef64},               // pending
        {u"info.circle.fill"_s, 0xe88e},              // info
        {u"keyboard"_s, 0xe312},                      // keyboard
        {u"lightbulb.fill"_s, 0xe0f0},                // lightbulb
        {u"magnifyingglass"_s, 0xe8b6},               // search
        {u"paintpalette.fill"_s, 0xe40a},             // palette
        {u"pause.fill"_s, 0xe034},                    // pause
        {u"play.fill"_s, 0xe037},                     // play_arrow
        {u"square.and.arrow.down"_s, 0xe171},         // save_alt
        {u"square.and.arrow.up"_s, 0xe6b8},           // ios_share
        {u"stop.circle.fill"_s, 0xef71},              // stop_circle
        {u"text.viewfinder"_s, 0xe5fa},               // document_scanner
        {u"xmark.circle.fill"_s, 0xe5c9},             // cancel
    };
    return map;
}

QString iconFamily()
{
    static const QString family = [] {
        const QString installed = u"Material Icons"_s;
        if (QFontDatabase::families().contains(installed))
            return installed;
        const QString file =
            u"/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf"_s;
        const int id = QFile::exists(file) ? QFontDatabase::addApplicationFont(file) : -1;
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.first();
    }();
    return family;
}

} // namespace

namespace OVSymbols {

QStringList names()
{
    QStringList list = table().keys();
    list.sort();
    return list;
}

bool available()
{
    return !iconFamily().isEmpty();
}

QString glyph(const QString &name)
{
    const auto it = table().constFind(name);
    if (it == table().constEnd() || !available())
        return {};
    return QString(QChar(*it));
}

QFont font(qreal size)
{
    QFont f(iconFamily());
    f.setPointSizeF(OVFonts::pointSizeFor(size));
    f.setStyleStrategy(QFont::NoFontMerging);
    return f;
}

namespace {

// The icons are drawn on a 24-unit grid with a 2-unit margin: enlarge them so that the
// drawing, not the margin, has the asked size.
constexpr qreal glyphScale = 1.2;

QPointF baseline(const QRectF &box, const QString &text, const QFontMetricsF &m)
{
    return {box.center().x() - m.horizontalAdvance(text) / 2,
            box.center().y() - (m.ascent() + m.descent()) / 2 + m.ascent()};
}

} // namespace

void paint(QPainter &p, const QRectF &box, const QString &name, qreal size, const QColor &color)
{
    const QString text = glyph(name);
    if (text.isEmpty() || size <= 0)
        return;
    const QFont f = font(size * glyphScale);
    p.save();
    p.setFont(f);
    p.setPen(color);
    p.drawText(baseline(box, text, QFontMetricsF(f)), text);
    p.restore();
}

void paintGlow(QPainter &p, const QRectF &box, const QString &name, qreal size,
               const QColor &color, qreal blur)
{
    const QString text = glyph(name);
    if (text.isEmpty() || size <= 0)
        return;
    const QFont f = font(size * glyphScale);
    OVPaint::textGlow(p, baseline(box, text, QFontMetricsF(f)), text, f, color, blur);
}

QIcon icon(const QString &name, qreal size, const QColor &color)
{
    const QString text = glyph(name);
    if (text.isEmpty())
        return {};
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    const int px = int(std::ceil(size * dpr));
    QPixmap pixmap(px, px);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p, QRectF(0, 0, size, size), name, size, color);
    }
    return QIcon(pixmap);
}

} // namespace OVSymbols
