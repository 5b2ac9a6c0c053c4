#include "cmlayout.h"

#include <kit/ovfonts.h>
#include <kit/ovui.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

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
