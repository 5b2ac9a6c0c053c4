#include "gallery.h"

#include <kit/ovkit.h>

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

OVUI *ui()
{
    return OVUI::shared();
}

// A box layout whose spacing follows the zoom.
template <class Box>
Box *box(QWidget *owner, qreal spacing)
{
    auto *layout = new Box;
    layout->setContentsMargins(0, 0, 0, 0);
    ui()->bind(owner, [layout, spacing] { layout->setSpacing(qRound(ui()->z(spacing))); });
    return layout;
}

QLabel *note(const QString &text, QWidget *owner)
{
    auto *label = new QLabel(text);
    ovBindFont(label, 10.5, QFont::Normal, OVDesign::Rounded);
    ui()->bind(owner, [label] {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, ui()->theme().dim);
        label->setPalette(p);
    });
    return label;
}

QWidget *divider(QWidget *owner)
{
    auto *line = new QWidget;
    line->setAutoFillBackground(true);
    ui()->bind(owner, [line] {
        line->setFixedWidth(1);
        QPalette p = line->palette();
        p.setColor(QPalette::Window, ui()->theme().metalLo);
        line->setPalette(p);
    });
    return line;
}

OVPanel *panel(qreal radius, qreal padding, QLayout *content)
{
    auto *p = new OVPanel(radius, padding);
    p->setLayout(content);
    return p;
}

QWidget *header(QWidget *owner)
{
    auto *row = box<QHBoxLayout>(owner, 12);
    row->addWidget(new OVChromeTitle(u"Cue"_s, u"master"_s));
    row->addStretch();
    row->addWidget(new OVLCD(u"1234 words · ~%1 read"_s.arg(OVTime::clock(1234 / 150.0 * 60)), 13));
    row->addStretch();
    row->addWidget(new OVSBadge);
    return panel(26, 8, row);
}

QWidget *surfaces(QWidget *owner)
{
    auto *column = box<QVBoxLayout>(owner, 8);
    column->addWidget(new OVCaption(u"surfaces and lettering"_s));

    auto *well = new OVWell(14);
    auto *inside = new QVBoxLayout;
    well->setLayout(inside);
    ui()->bind(well, [inside] {
        const int pad = qRound(ui()->z(10));
        inside->setContentsMargins(pad, pad, pad, pad);
    });
    auto *text = new QLabel(u"A well holds the script editor.\n[Cue lines] show small and dimmed."_s);
    ovBindFont(text, 13, QFont::Medium);
    inside->addWidget(text);
    column->addWidget(well);

    auto *clocks = box<QHBoxLayout>(owner, 6);
    clocks->addWidget(new OVLCD(OVTime::clock(59.99), 11));
    clocks->addWidget(new OVLCD(OVTime::clock(61.25, true), 11));
    clocks->addWidget(new OVLCD(OVTime::clock(3725.5, true), 11));
    clocks->addWidget(new OVLCD(QString(), 11));
    clocks->addStretch();
    column->addLayout(clocks);
    column->addWidget(new OVSCredit);
    column->addStretch();
    return panel(22, 10, column);
}

QWidget *buttons(QWidget *owner)
{
    auto *grid = new QGridLayout;
    ui()->bind(owner, [grid] {
        grid->setHorizontalSpacing(qRound(ui()->z(14)));
        grid->setVerticalSpacing(qRound(ui()->z(12)));
    });
    grid->addWidget(new OVCaption(u"chrome buttons"_s), 0, 0, 1, 2);
    int row = 1;
    for (const bool prominent : {false, true}) {
        for (const bool compact : {true, false}) {
            for (const bool pressed : {false, true}) {
                auto *button = new OVChromeButton(prominent ? u"Go Live"_s : u"Import"_s);
                button->setProminent(prominent);
                button->setCompact(compact);
                button->setSymbol(prominent ? u"dot.radiowaves.left.and.right"_s
                                            : u"square.and.arrow.down"_s);
                button->setDown(pressed);
                grid->addWidget(button, row, pressed ? 1 : 0, Qt::AlignLeft);
            }
            ++row;
        }
    }
    auto *plain = new OVChromeButton(u"Save TXT"_s);
    plain->setCompact(true);
    grid->addWidget(plain, row, 0, Qt::AlignLeft);
    auto *disabled = new OVChromeButton(u"Disabled"_s);
    disabled->setCompact(true);
    disabled->setEnabled(false);
    grid->addWidget(disabled, row, 1, Qt::AlignLeft);
    grid->setRowStretch(row + 1, 1);
    return panel(22, 12, grid);
}

QWidget *transport(QWidget *owner)
{
    auto *column = box<QVBoxLayout>(owner, 10);
    auto *orbs = box<QHBoxLayout>(owner, 10);
    const struct
    {
        const char16_t *symbol;
        qreal size;
        bool lit;
        const char16_t *help;
    } pieces[] = {{u"backward.end.fill", 34, false, u"Back to the top (R / Home)"},
                 {u"chevron.up", 34, false, u"Jump back (← / Page Up)"},
                 {u"pause.fill", 54, true, u"Start / stop (Space)"},
                 {u"play.fill", 54, false, u"Start / stop (Space)"},
                 {u"chevron.down", 34, false, u"Jump ahead (→ / Page Down)"},
                 {u"no.such.symbol", 34, true, u"Unknown symbol"}};
    for (const auto &piece : pieces) {
        auto *orb = new OVOrbButton(QString::fromUtf16(piece.symbol), piece.size);
        orb->setLit(piece.lit);
        orb->setHelp(QString::fromUtf16(piece.help));
        orbs->addWidget(orb, 0, Qt::AlignVCenter);
    }
    column->addLayout(orbs);
    column->addWidget(new OVCaption(u"Countdown"_s), 0, Qt::AlignHCenter);
    auto *countdown = new OVSegment;
    countdown->setItems({{0, u"Off"_s}, {3, u"3"_s}, {5, u"5"_s}, {10, u"10"_s}});
    countdown->setSelection(3);
    QObject::connect(countdown, &OVSegment::selectionChanged, countdown, &OVSegment::setSelection);
    ui()->bind(countdown, [countdown] { countdown->setFixedWidth(qRound(ui()->z(210))); });
    column->addWidget(countdown, 0, Qt::AlignHCenter);
    auto *none = new OVSegment;
    none->setItems({{u"a"_s, u"Left"_s}, {u"b"_s, u"Middle"_s}, {u"c"_s, u"Right"_s}});
    column->addWidget(none);
    column->addStretch();
    auto *w = new QWidget;
    w->setLayout(column);
    return w;
}

QWidget *knobs(QWidget *owner)
{
    auto *row = box<QHBoxLayout>(owner, 14);
    const auto percent = [](double v) { return u"%1%"_s.arg(int(v * 100)); };
    const struct
    {
        const char16_t *label;
        double lower, upper, value;
        OVKnob::Formatter format;
    } pieces[] = {
        {u"Speed", 0, 10, 3.5, [](double v) { return QString::number(v, 'f', 1); }},
        {u"Size", 24, 200, 200, [](double v) { return u"%1 pt"_s.arg(int(v)); }},
        {u"Margins", 0, 35, 0, [](double v) { return u"%1%"_s.arg(int(v)); }},
        {u"Spacing", 1, 2.2, 1.6, [](double v) { return QString::number(v, 'f', 2); }},
        {u"Cue line", 0.1, 0.7, 0.33, percent},
        {u"", 5, 5, 5, [](double v) { return QString::number(v); }},
    };
    for (const auto &piece : pieces) {
        auto *knob = new OVKnob;
        knob->setSize(58);
        knob->setLabel(QString::fromUtf16(piece.label));
        knob->setRange(piece.lower, piece.upper);
        knob->setFormatter(piece.format);
        knob->setValue(piece.value);
        QObject::connect(knob, &OVKnob::valueChanged, knob, &OVKnob::setValue);
        row->addWidget(knob, 0, Qt::AlignTop);
    }
    auto *w = new QWidget;
    w->setLayout(row);
    return w;
}

QWidget *look(QWidget *owner)
{
    auto *column = box<QVBoxLayout>(owner, 8);
    auto *switches = box<QHBoxLayout>(owner, 14);
    const std::pair<const char16_t *, bool> pieces[] = {
        {u"Mirror", true}, {u"Flip", false}, {u"Cue marker", true}, {u"CAPS", false}};
    for (const auto &[title, on] : pieces) {
        auto *s = new OVSwitch(QString::fromUtf16(title));
        s->setOn(on);
        switches->addWidget(s);
    }
    column->addLayout(switches);
    auto *go = box<QHBoxLayout>(owner, 10);
    auto *picker = new QComboBox;
    picker->addItems({u"Display 1 — 1920 × 1080"_s, u"Display 2"_s});
    ovBindFont(picker, 11.5, QFont::Normal, OVDesign::Rounded);
    go->addWidget(picker);
    auto *live = new OVChromeButton(u"Go Live"_s);
    live->setProminent(true);
    live->setSymbol(u"dot.radiowaves.left.and.right"_s);
    go->addWidget(live);
    auto *end = new OVChromeButton(u"End Live"_s);
    end->setProminent(true);
    end->setSymbol(u"stop.circle.fill"_s);
    go->addWidget(end);
    go->addStretch();
    column->addLayout(go);
    column->addStretch();
    auto *w = new QWidget;
    w->setLayout(column);
    return w;
}

QWidget *deck(QWidget *owner)
{
    auto *row = box<QHBoxLayout>(owner, 16);
    row->addWidget(transport(owner));
    row->addWidget(divider(owner));
    row->addWidget(knobs(owner), 0, Qt::AlignTop);
    row->addWidget(divider(owner));
    row->addWidget(look(owner), 1);
    return panel(24, 12, row);
}

QWidget *symbols(QWidget *owner)
{
    auto *grid = new QGridLayout;
    ui()->bind(owner, [grid] {
        grid->setHorizontalSpacing(qRound(ui()->z(16)));
        grid->setVerticalSpacing(qRound(ui()->z(6)));
    });
    grid->addWidget(new OVCaption(u"symbols"_s), 0, 0, 1, 4);
    const QStringList names = OVSymbols::names();
    for (int i = 0; i < names.size(); ++i) {
        auto *icon = new QLabel;
        ui()->bind(icon, [icon, name = names[i]] {
            icon->setPixmap(OVSymbols::icon(name, ui()->z(18), ui()->theme().accent2).pixmap(
                qRound(ui()->z(18))));
        });
        auto *cell = box<QHBoxLayout>(owner, 6);
        cell->addWidget(icon);
        cell->addWidget(note(names[i], owner));
        cell->addStretch();
        grid->addLayout(cell, 1 + i / 4, i % 4);
    }
    return panel(18, 12, grid);
}

} // namespace

QWidget *makeGallery(bool withPickers)
{
    auto *window = new QWidget;
    window->setWindowTitle(u"Kit gallery"_s);
    ovsRoot(window);
    auto *column = box<QVBoxLayout>(window, 10);
    ui()->bind(window, [column] {
        const int pad = qRound(ui()->z(14));
        column->setContentsMargins(pad, pad, pad, pad);
    });
    window->setLayout(column);

    auto *top = box<QHBoxLayout>(window, 10);
    auto *title = note(QString(), window);
    ui()->bind(title, [title] {
        title->setText(u"%1 · zoom %2"_s.arg(ui()->theme().name).arg(ui()->zoom()));
    });
    top->addWidget(title);
    top->addStretch();
    if (withPickers) {
        auto *themes = new QComboBox;
        for (const OVTheme &theme : OVTheme::all())
            themes->addItem(theme.name, theme.id);
        themes->setCurrentIndex(themes->findData(ui()->theme().id));
        QObject::connect(themes, &QComboBox::currentIndexChanged, themes,
                         [themes](int) { ui()->setThemeId(themes->currentData().toString()); });
        top->addWidget(themes);
        auto *out = new OVChromeButton(u"−"_s);
        out->setCompact(true);
        QObject::connect(out, &QAbstractButton::clicked, out, [] { ui()->zoomOut(); });
        auto *in = new OVChromeButton(u"+"_s);
        in->setCompact(true);
        QObject::connect(in, &QAbstractButton::clicked, in, [] { ui()->zoomIn(); });
        top->addWidget(out);
        top->addWidget(in);
    }
    column->addLayout(top);
    column->addWidget(header(window));
    auto *middle = box<QHBoxLayout>(window, 10);
    middle->addWidget(surfaces(window), 1);
    middle->addWidget(buttons(window));
    middle->addWidget(symbols(window));
    column->addLayout(middle);
    column->addWidget(deck(window));
    return window;
}
