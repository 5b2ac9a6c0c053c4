#include "cmhintbar.h"

#include <engine/cmengine.h>
#include <kit/ovfonts.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int itemSpacing = 18;
constexpr int insetX = 18;
constexpr int insetY = 8;
constexpr int capsuleAlpha = 178; // 70 % of 255

QLabel *whiteLabel(const QString &text, const QFont &font, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

} // namespace

CMHintBar::CMHintBar(CMEngine &engine, QWidget *parent) : QWidget(parent), m_engine(engine)
{
    m_state = whiteLabel({}, OVFonts::font(14, QFont::ExtraBold, OVDesign::Rounded), this);
    m_speed = whiteLabel({}, OVFonts::font(14, QFont::Bold, OVDesign::Monospaced), this);
    QLabel *keys =
        whiteLabel(keysText(), OVFonts::font(12, QFont::Medium, OVDesign::Default), this);

    auto *exit = new QPushButton(u"Exit Prompter"_s, this);
    // The application's own look, not the black of the window around it.
    exit->setPalette(QApplication::palette(exit));
    // The live window must keep the keyboard: a focused button would take Space for itself.
    exit->setFocusPolicy(Qt::NoFocus);
    connect(exit, &QPushButton::clicked, this, &CMHintBar::exitRequested);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(insetX, insetY, insetX, insetY);
    row->setSpacing(itemSpacing);
    const std::initializer_list<QWidget *> items{m_state, m_speed, keys, exit};
    for (QWidget *item : items)
        row->addWidget(item, 0, Qt::AlignVCenter);

    connect(&m_engine, &CMEngine::runningChanged, this, &CMHintBar::refresh);
    connect(&m_engine, &CMEngine::finishedChanged, this, &CMHintBar::refresh);
    connect(&m_engine, &CMEngine::settingsChanged, this, &CMHintBar::refresh);
    refresh();
}

QString CMHintBar::stateText(bool running, bool finished)
{
    if (running)
        return u"\u25B6\uFE0E RUNNING"_s;
    return finished ? u"\u25A0 FINISHED"_s : u"\u275A\u275A PAUSED"_s;
}

QString CMHintBar::speedText(double speed)
{
    return u"Speed %1"_s.arg(speed, 0, 'f', 1);
}

QString CMHintBar::keysText()
{
    return u"Space start/stop \u00B7 \u2191\u2193 speed \u00B7 \u2190\u2192 / Page keys jump "
           u"\u00B7 "
           u"M mirror \u00B7 F flip \u00B7 Esc exit"_s;
}

void CMHintBar::refresh()
{
    m_state->setText(stateText(m_engine.running(), m_engine.finished()));
    m_speed->setText(speedText(m_engine.settings().usableSpeed()));
}

void CMHintBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, capsuleAlpha));
    const QRectF r = QRectF(rect());
    painter.drawRoundedRect(r, r.height() / 2, r.height() / 2);
}
