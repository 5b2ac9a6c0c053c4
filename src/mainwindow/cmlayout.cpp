#include "cmlayout.h"

#include <kit/ovfonts.h>
#include <kit/ovui.h>

#include <QAbstractScrollArea>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace CMLayout {

namespace {

template <class Box>
Box *box(QWidget *owner, qreal spacingPt)
{
    auto *layout = new Box;
    layout->setContentsMargins(0, 0, 0, 0);
    OVUI::shared()->bind(owner, [layout, spacingPt] {
        layout->setSpacing(qRound(OVUI::shared()->z(spacingPt)));
    });
    return layout;
}

} // namespace

QHBoxLayout *row(QWidget *owner, qreal spacingPt)
{
    return box<QHBoxLayout>(owner, spacingPt);
}

QVBoxLayout *column(QWidget *owner, qreal spacingPt)
{
    return box<QVBoxLayout>(owner, spacingPt);
}

void bindMargins(QWidget *owner, QLayout *layout, qreal leftPt, qreal topPt, qreal rightPt,
                 qreal bottomPt)
{
    OVUI::shared()->bind(owner, [=] {
        const OVUI *ui = OVUI::shared();
        layout->setContentsMargins(qRound(ui->z(leftPt)), qRound(ui->z(topPt)),
                                   qRound(ui->z(rightPt)), qRound(ui->z(bottomPt)));
    });
}

void bindWidth(QWidget *widget, qreal widthPt)
{
    OVUI::shared()->bind(widget, [widget, widthPt] {
        widget->setFixedWidth(qRound(OVUI::shared()->z(widthPt)));
    });
}

QLabel *label(const QString &text, qreal sizePt, QFont::Weight weight, OVDesign design, bool dim)
{
    auto *label = new QLabel(text);
    ovBindFont(label, sizePt, weight, design);
    OVUI::shared()->bind(label, [label, dim] {
        QPalette p = label->palette();
        const OVTheme &theme = OVUI::shared()->theme();
        p.setColor(QPalette::WindowText, dim ? theme.dim : theme.text);
        label->setPalette(p);
    });
    return label;
}

void slimScrollBars(QAbstractScrollArea *area)
{
    const auto style = [area] {
        const OVUI *ui = OVUI::shared();
        const auto rgba = [](const QColor &c, double alpha) {
            return u"rgba(%1,%2,%3,%4)"_s.arg(c.red()).arg(c.green()).arg(c.blue()).arg(alpha);
        };
        const int thickness = qRound(ui->z(9));
        const int handle = qRound(ui->z(5));
        const QString sheet =
            u"QScrollBar { background: transparent; border: none; margin: 0; }"
            u"QScrollBar:vertical { width: %1px; }"
            u"QScrollBar:horizontal { height: %1px; }"
            u"QScrollBar::handle { background: %2; border-radius: %3px; }"
            u"QScrollBar::handle:hover, QScrollBar::handle:pressed { background: %4; }"
            u"QScrollBar::handle:vertical { min-height: 28px; margin: 2px %5px 2px %5px; }"
            u"QScrollBar::handle:horizontal { min-width: 28px; margin: %5px 2px %5px 2px; }"
            u"QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }"
            u"QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }"_s
                .arg(thickness)
                .arg(rgba(ui->theme().metalMid, 0.55))
                .arg(handle / 2)
                .arg(rgba(ui->theme().metalHi, 0.8))
                .arg((thickness - handle) / 2);
        area->verticalScrollBar()->setStyleSheet(sheet);
        area->horizontalScrollBar()->setStyleSheet(sheet);
    };
    OVUI::shared()->bind(area, style);
}

} // namespace CMLayout

namespace CMColors {

QColor green()
{
    return QColor(48, 209, 88);
}

QColor orange()
{
    return QColor(255, 159, 10);
}

QColor red()
{
    return QColor(255, 69, 58);
}

} // namespace CMColors
