#include "bench.h"

#include <kit/ovkit.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPixmapCache>

using namespace Qt::StringLiterals;

namespace {

// A deck-like window: a panel with orbs, five knobs, switches and a segment.
struct Deck
{
    QWidget window;
    OVKnob *knob = nullptr;
    OVPanel *panel = nullptr;

    Deck()
    {
        ovsRoot(&window);
        panel = new OVPanel(24, 12);
        auto *row = new QHBoxLayout(panel);
        for (const char16_t *symbol : {u"backward.end.fill", u"chevron.up", u"play.fill"}) {
            auto *orb = new OVOrbButton(QString::fromUtf16(symbol), 54);
            orb->setLit(symbol[0] == u'p');
            row->addWidget(orb);
        }
        for (int i = 0; i < 5; ++i) {
            auto *k = new OVKnob;
            k->setRange(0, 10);
            k->setValue(i * 2);
            k->setLabel(u"Speed"_s);
            k->setFormatter([](double v) { return QString::number(v, 'f', 1); });
            QObject::connect(k, &OVKnob::valueChanged, k, &OVKnob::setValue);
            row->addWidget(k);
            if (!knob)
                knob = k;
        }
        for (const char16_t *title : {u"Mirror", u"Flip"})
            row->addWidget(new OVSwitch(QString::fromUtf16(title)));
        auto *segment = new OVSegment;
        segment->setItems({{0, u"Off"_s}, {3, u"3"_s}, {5, u"5"_s}, {10, u"10"_s}});
        segment->setSelection(3);
        row->addWidget(segment);
        (new QHBoxLayout(&window))->addWidget(panel);
        window.resize(1400, 200);
        window.show();
        QApplication::processEvents();
    }

    void move(QPointF pos, QEvent::Type type = QEvent::MouseMove)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, pos, knob->mapToGlobal(pos), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(knob, &e);
    }
};

} // namespace

CM_BENCH("kit_knob_drag", [](const cmbench::Report &report) {
    Deck deck;
    const QPointF centre = deck.knob->dial().center();
    deck.move(centre, QEvent::MouseButtonPress);
    const quint64 blursBefore = OVBlur::count();
    int step = 0;
    // One drag step and the repaint it causes, as the event loop delivers it; each step
    // changes the value, so each one repaints.
    const double ms = cmbench::medianMs(201, [&] {
        ++step;
        deck.move(centre + QPointF(0, step % 2 ? -30 : -33));
        QApplication::processEvents();
    });

    deck.move(centre, QEvent::MouseButtonRelease);
    report(u"kit_knob_drag_step"_s, ms, u"ms"_s);
    report(u"kit_knob_drag_blurs"_s, double(OVBlur::count() - blursBefore), u"count"_s);
});

CM_BENCH("kit_deck_paint", [](const cmbench::Report &report) {
    QPixmapCache::clear();
    const quint64 blursBefore = OVBlur::count();
    Deck deck;
    (void)deck.window.grab();
    const quint64 coldBlurs = OVBlur::count() - blursBefore;
    const double ms = cmbench::medianMs(31, [&] { (void)deck.window.grab(); });
    report(u"kit_deck_paint_full"_s, ms, u"ms"_s);
    report(u"kit_deck_cold_blurs"_s, double(coldBlurs), u"count"_s);

    // Resizing the window must not blur the panel's shadow again for every width.
    const quint64 beforeResize = OVBlur::count();
    for (int width = 900; width < 1400; width += 7) {
        deck.window.resize(width, 200);
        (void)deck.window.grab();
    }
    report(u"kit_resize_blurs"_s, double(OVBlur::count() - beforeResize), u"count"_s);
});

CM_BENCH("kit_theme_switch", [](const cmbench::Report &report) {
    Deck deck;
    OVUI *ui = OVUI::shared();
    const OVTheme before = ui->theme();
    int i = 0;
    const double ms = cmbench::medianMs(13, [&] {
        ui->setTheme(OVTheme::all()[++i % OVTheme::all().size()]);
        (void)deck.window.grab();
    });
    ui->setTheme(before);
    report(u"kit_theme_switch_repaint"_s, ms, u"ms"_s);
});
