#include "ovroot.h"

#include "ovhalo.h"
#include "ovtheme.h"
#include "ovui.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPaintEvent>
#include <QPalette>
#include <QToolTip>
#include <QWidget>

namespace {

class RootStyler : public QObject
{
public:
    explicit RootStyler(QWidget *window)
        : QObject(window)
        , m_window(window)
    {
        window->installEventFilter(this);
        OVHalos::makeHost(window);
        OVUI::shared()->bind(this, [this] { apply(); });
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint) {
            const OVTheme &theme = OVUI::shared()->theme();
            const QRectF r = m_window->rect();
            QPainter p(m_window);
            QLinearGradient background(r.topLeft(), r.bottomLeft());
            background.setColorAt(0, theme.base);
            background.setColorAt(1, theme.deep);
            p.fillRect(r, background);
            OVHalos::paint(m_window, p, static_cast<QPaintEvent *>(event)->region());
        }
        return false;
    }

private:
    void apply()
    {
        const QPalette palette = ovPalette(OVUI::shared()->theme());
        m_window->setPalette(palette);
        QToolTip::setPalette(palette);
        m_window->update();
    }

    QWidget *m_window;
};

QColor mix(const QColor &a, const QColor &b, float t)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

} // namespace

QPalette ovPalette(const OVTheme &theme)
{
    QPalette p;
    const bool lightAccent = theme.accent.lightnessF() > 0.55f;
    p.setColor(QPalette::Window, theme.base);
    p.setColor(QPalette::WindowText, theme.text);
    p.setColor(QPalette::Base, theme.well);
    p.setColor(QPalette::AlternateBase, theme.panel);
    p.setColor(QPalette::Text, theme.text);
    p.setColor(QPalette::PlaceholderText, theme.dim);
    p.setColor(QPalette::Button, theme.raised);
    p.setColor(QPalette::ButtonText, theme.text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Light, mix(theme.raised, theme.metalHi, 0.25f));
    p.setColor(QPalette::Midlight, mix(theme.raised, theme.metalMid, 0.3f));
    p.setColor(QPalette::Mid, theme.metalLo);
    p.setColor(QPalette::Dark, theme.deep);
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Highlight, theme.accent);
    p.setColor(QPalette::HighlightedText, lightAccent ? theme.deep : Qt::white);
    p.setColor(QPalette::Link, theme.accent);
    p.setColor(QPalette::LinkVisited, theme.accent2);
    p.setColor(QPalette::ToolTipBase, theme.raised);
    p.setColor(QPalette::ToolTipText, theme.text);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, theme.dim);
    }
    p.setColor(QPalette::Disabled, QPalette::Highlight, theme.metalLo);
    return p;
}

void ovsRoot(QWidget *window)
{
    if (!window || window->property("ovRoot").toBool())
        return;
    window->setProperty("ovRoot", true);
    new RootStyler(window);
}
