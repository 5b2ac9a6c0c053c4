#include "cmtargetfield.h"

#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <kit/ovfonts.h>
#include <kit/ovtheme.h>
#include <kit/ovui.h>
#include <prompter/cmtaketime.h>

#include <QKeyEvent>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace {

QString fieldStyle()
{
    const OVUI *ui = OVUI::shared();
    const OVTheme &t = ui->theme();
    return uR"(QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: %4px;
                           padding: %5px %6px; selection-background-color: %7; }
               QLineEdit:focus { border-color: %8; })"_s
        .arg(t.well.name(), t.text.name(), ovAlpha(t.metalMid, 0.6).name(QColor::HexArgb))
        .arg(qRound(ui->z(6)))
        .arg(qRound(ui->z(2)))
        .arg(qRound(ui->z(6)))
        .arg(ovAlpha(t.accent, 0.6).name(QColor::HexArgb),
             ovAlpha(t.accent, 0.8).name(QColor::HexArgb));
}

} // namespace

CMTargetField::CMTargetField(CMEngine &engine, QWidget *parent)
    : QLineEdit(parent), m_engine(engine)
{
    setPlaceholderText(u"none"_s);
    setAccessibleName(u"Target"_s);
    setToolTip(u"How long the take should run, like 3:30; the rig and the outputs then show "
               u"whether it runs over or under"_s);
    setAlignment(Qt::AlignCenter);
    setMaxLength(12);
    ovBindFont(this, 11.5, QFont::Bold, OVDesign::Monospaced);
    OVUI::shared()->bind(this, [this] { setStyleSheet(fieldStyle()); });
    connect(this, &QLineEdit::editingFinished, this, &CMTargetField::apply);
    connect(&engine, &CMEngine::targetDurationChanged, this, &CMTargetField::showTarget);
    showTarget(engine.targetDuration());
}

QString CMTargetField::refusal()
{
    return u"Type a time like 3:30 (at most a day), or leave it empty for none."_s;
}

void CMTargetField::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        showTarget(m_engine.targetDuration());
        CMFocus::toPrompter();
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // A refused entry keeps the keyboard here, to be typed again.
    const bool accepted = enter && CMTakeTimeText::parseDuration(text());
    QLineEdit::keyPressEvent(event);
    if (accepted)
        CMFocus::toPrompter();
}

void CMTargetField::apply()
{
    const std::optional<double> seconds = CMTakeTimeText::parseDuration(text());
    if (!seconds) {
        QToolTip::showText(mapToGlobal(QPoint(0, height())), refusal(), this);
        showTarget(m_engine.targetDuration());
        return;
    }
    m_engine.setTargetDuration(*seconds);
    // "5" reads back as 5:00: the operator sees how it was understood.
    showTarget(m_engine.targetDuration());
}

void CMTargetField::showTarget(double seconds)
{
    setText(CMTakeTimeText::durationText(seconds));
}
