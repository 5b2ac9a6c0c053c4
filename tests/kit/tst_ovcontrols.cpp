#include <testsupport.h>
#include <kit/ovkit.h>

#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

using Moves = QList<QPointF>;

namespace {

void mouse(QWidget *w, QEvent::Type type, QPointF pos)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A press at `from`, moves to each offset from it, and a release where the last move ended.
void drag(QWidget *w, QPointF from, const Moves &moves)
{
    mouse(w, QEvent::MouseButtonPress, from);
    QPointF at = from;
    for (const QPointF &offset : moves) {
        at = from + offset;
        mouse(w, QEvent::MouseMove, at);
    }
    mouse(w, QEvent::MouseButtonRelease, at);
}

void setUp(OVKnob &knob, double lower, double upper, double value)
{
    knob.setRange(lower, upper);
    knob.setValue(value);
    knob.resize(knob.sizeHint());
}

bool near(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance;
}

OVPanel *panelOf(const QList<QWidget *> &pieces, qreal padding = 12)
{
    auto *panel = new OVPanel(10, padding);
    auto *row = new QHBoxLayout(panel);
    for (QWidget *piece : pieces)
        row->addWidget(piece);
    return panel;
}

// A themed window around `content`, shown.
void host(QWidget &window, QWidget *content)
{
    ovsRoot(&window);
    (new QHBoxLayout(&window))->addWidget(content);
    window.show();
}

class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

} // namespace

class TestOVControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void knobDrags_data();
    void knobDrags();
    void knobDragsInTurn();
    void knobKeys();
    void haloesBlurOnceAndDieWithTheirPiece();
    void buttonsClickOnTheirShape();
    void switchFlipsAndSlides();
    void segmentClicks();
    void creditOpensTheWebsite();
    void piecesFollowZoom();
    void wellCutsItsContent();
    void surfacesFollowTheTheme();
    void haloOfAPieceBuiltApart();
};

void TestOVControls::init()
{
    cmtest::clearSettings();
    OVUI::shared()->restore();
}

void TestOVControls::knobDrags_data()
{
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("start");
    QTest::addColumn<Moves>("moves");
    QTest::addColumn<double>("expected");
    QTest::addColumn<int>("announced");

    // 180 points of travel sweep the whole range; the knob runs 0…100 from 50 unless given.
    const auto row = [](const char *name, const Moves &moves, double expected, int announced,
                        double lower = 0, double upper = 100, double start = 50) {
        QTest::newRow(name) << lower << upper << start << moves << expected << announced;
    };
    row("90 up", {{0, -30}, {0, -60}, {0, -90}}, 100, 3);
    row("200 up stops at the top", {{0, -200}}, 100, 1);
    row("there and back", {{0, -45}, {0, 0}}, 50, 2);
    row("half a point", {{0, -0.5}}, 50, 0);
    row("diagonal counts only the height", {{100, -18}}, 60, 1);
    row("fine steps", {{0, -0.9}, {0, -1.8}}, 51, 1);
    row("small range", {{0, -18}}, 1.72, 1, 1.0, 2.2, 1.6);
    row("equal bounds write the lower", {{0, -40}, {0, 40}}, 5, 1, 5, 5, 7);
}

void TestOVControls::knobDrags()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, start);
    QFETCH(Moves, moves);
    QFETCH(double, expected);
    QFETCH(int, announced);
    OVKnob knob;
    setUp(knob, lower, upper, start);
    QSignalSpy spy(&knob, &OVKnob::valueChanged);

    drag(&knob, knob.dial().center(), moves);
    QCOMPARE(knob.value(), expected);
    QCOMPARE(spy.count(), announced);
    if (announced)
        QCOMPARE(spy.last().first().toDouble(), expected);
    QVERIFY(!knob.dragging());
}

// Each drag starts from the value the last one left, or the owner set; a press off the round
// dial (its square's corner, the label) turns nothing.
void TestOVControls::knobDragsInTurn()
{
    OVKnob knob;
    knob.setLabel(u"Speed"_s);
    setUp(knob, 0, 100, 50);
    QSignalSpy spy(&knob, &OVKnob::valueChanged);
    const QRectF dial = knob.dial();
    drag(&knob, dial.topLeft() + QPointF(1, 1), {{0, -90}});
    drag(&knob, QPointF(dial.center().x(), knob.height() - 2), {{0, -90}});
    QCOMPARE(spy.count(), 0);
    drag(&knob, dial.center(), {{0, -10}, {0, -20}, {0, -36}});
    QCOMPARE(knob.value(), 70.0);
    drag(&knob, dial.center() + QPointF(5, 5), {{0, 18}});
    QCOMPARE(knob.value(), 60.0);
    knob.setValue(20);
    QCOMPARE(spy.count(), 4);
    drag(&knob, dial.center(), {{0, -9}});
    QCOMPARE(knob.value(), 25.0);
}

void TestOVControls::knobKeys()
{
    OVKnob knob;
    setUp(knob, 0, 10, 5);
    for (const auto &[key, value] : {std::pair(Qt::Key_Up, 5.1), std::pair(Qt::Key_PageDown, 4.1),
                                     std::pair(Qt::Key_End, 10.0), std::pair(Qt::Key_Up, 10.0)}) {
        QTest::keyClick(&knob, key);
        QCOMPARE(knob.value(), value);
    }
    // A click leaves the keyboard where it was: the prompter keeps its keys.
    QCOMPARE(knob.focusPolicy(), Qt::TabFocus);
}

// Dragging a knob repaints without blurring anything again. A piece deleted before its host,
// then the host itself, leaves nothing dangling.
void TestOVControls::haloesBlurOnceAndDieWithTheirPiece()
{
    auto *knob = new OVKnob;
    knob->setRange(0, 10);
    knob->setValue(2);
    knob->setLabel(u"Speed"_s);
    auto *orb = new OVOrbButton(u"play.fill"_s, 54);
    orb->setLit(true);
    OVPanel *panel = panelOf({knob, orb});
    QWidget window;
    host(window, panel);
    (void)window.grab();

    const quint64 before = OVBlur::count();
    QPointF at = knob->dial().center();
    mouse(knob, QEvent::MouseButtonPress, at);
    for (int step = 1; step <= 30; ++step) {
        at += QPointF(0, -3);
        mouse(knob, QEvent::MouseMove, at);
        (void)window.grab();
    }
    mouse(knob, QEvent::MouseButtonRelease, at);
    QVERIFY(knob->value() > 6);
    QCOMPARE(OVBlur::count(), before);

    const QPoint glow = orb->mapTo(&window, QPoint(orb->width() / 2, -3));
    const QColor lit = window.grab().toImage().pixelColor(glow);
    delete orb;
    QTRY_VERIFY(window.grab().toImage().pixelColor(glow) != lit);
    delete panel;
    QCoreApplication::processEvents();
    QVERIFY(!window.grab().isNull());
}

// Round and capsule buttons take clicks on their shape only, and show a press. An unknown
// symbol still draws an orb that clicks.
void TestOVControls::buttonsClickOnTheirShape()
{
    OVOrbButton orb(u"no.such.symbol"_s, 44);
    orb.resize(orb.sizeHint());
    OVChromeButton chrome(u"Import"_s);
    chrome.setCompact(true);
    chrome.resize(chrome.sizeHint());
    using Clicks = QList<std::pair<QPoint, bool>>;
    const std::pair<QAbstractButton *, Clicks> buttons[] = {
        {&orb, {{{1, 1}, false}, {{42, 42}, false}, {{22, 22}, true}, {{22, 1}, true}}},
        {&chrome, {{{1, 1}, false}, {chrome.rect().center(), true}}}};
    for (const auto &[button, clicks] : buttons) {
        for (const auto &[at, clicked] : clicks) {
            QSignalSpy spy(button, &QAbstractButton::clicked);
            QTest::mousePress(button, Qt::LeftButton, {}, at);
            const QImage pressed = button->grab().toImage();
            QTest::mouseRelease(button, Qt::LeftButton, {}, at);
            QCOMPARE(spy.count(), clicked ? 1 : 0);
            if (clicked)
                QVERIFY(button->grab().toImage() != pressed);
        }
    }
}

void TestOVControls::switchFlipsAndSlides()
{
    OVSwitch toggle(u"Mirror"_s);
    toggle.show();
    QSignalSpy spy(&toggle, &QAbstractButton::toggled);
    QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(toggle.width() - 2, toggle.height() / 2));
    QCOMPARE(spy.count(), 1);
    QVERIFY(toggle.isOn());
    QVERIFY(toggle.position() < 1);
    QTRY_COMPARE_WITH_TIMEOUT(toggle.position(), 1.0, 1000);

    // The owner's state is shown without being announced back.
    toggle.setOn(false);
    QVERIFY(!toggle.isOn());
    QCOMPARE(spy.count(), 1);
    QTest::keyClick(&toggle, Qt::Key_Space);
    QCOMPARE(spy.count(), 2);
    QVERIFY(toggle.isOn());
}

void TestOVControls::segmentClicks()
{
    OVSegment segment;
    segment.setItems({{0, u"Off"_s}, {3, u"3"_s}, {5, u"5"_s}});
    segment.setSelection(5);
    segment.resize(600, segment.sizeHint().height());
    QSignalSpy spy(&segment, &OVSegment::selectionChanged);
    // Clicking the selected segment again, or the gap between two, changes nothing.
    QTest::mouseClick(&segment, Qt::LeftButton, {}, QPoint(500, segment.height() / 2));
    QTest::mouseClick(&segment, Qt::LeftButton, {}, QPoint(199, segment.height() / 2));
    QCOMPARE(spy.count(), 0);
    QTest::keyClick(&segment, Qt::Key_Left);
    QCOMPARE(spy.last().first(), QVariant(3));

    // Every segment whose value equals the selection is selected.
    segment.setItems({{1, u"One"_s}, {2, u"Two"_s}, {1, u"Uno"_s}});
    segment.setSelection(1);
    QVERIFY(segment.isSelected(0) && !segment.isSelected(1) && segment.isSelected(2));
    segment.setSelection(9);
    QVERIFY(!segment.isSelected(0) && !segment.isSelected(2) && !segment.isSelected(7));
}

void TestOVControls::creditOpensTheWebsite()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(u"https"_s, &catcher, "open");
    OVSCredit credit;
    QTest::mouseClick(credit.link(), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(u"https"_s);
    QCOMPARE(catcher.opened, QList<QUrl>{OVSMaker::website()});
}

void TestOVControls::piecesFollowZoom()
{
    OVOrbButton orb(u"play.fill"_s, 44);
    OVLCD lcd(u"0:00"_s, 13);
    const QSize lcdAtOne = lcd.sizeHint();
    auto *content = new QWidget;
    content->setMinimumSize(40, 20);
    std::unique_ptr<OVPanel> panel(panelOf({content}));
    panel->show();
    QTRY_COMPARE(content->pos(), QPoint(12, 12));

    OVUI::shared()->setZoom(1.5);
    QCOMPARE(orb.sizeHint(), QSize(66, 66));
    QTRY_COMPARE(content->pos(), QPoint(18, 18));
    QVERIFY(lcd.sizeHint().width() > lcdAtOne.width() * 1.3);
}

void TestOVControls::wellCutsItsContent()
{
    OVWell well(14);
    auto *inside = new QWidget;
    auto *column = new QHBoxLayout(&well);
    column->addWidget(inside);
    well.resize(200, 100);
    well.show();
    // The well adds no padding, and its content is cut to its rounded shape.
    QTRY_COMPARE(inside->geometry(), well.rect());
    QVERIFY(!inside->mask().contains(QPoint(0, 0)));
    QVERIFY(inside->mask().contains(QPoint(100, 50)));
    // Margins the owner chose are its content's own padding and stay.
    column->setContentsMargins(8, 8, 8, 8);
    QTRY_COMPARE(inside->geometry(), well.rect().adjusted(8, 8, -8, -8));
}

// The themed background and the badge in every theme, and a panel's shadow.
void TestOVControls::surfacesFollowTheTheme()
{
    QWidget window;
    ovsRoot(&window);
    auto *panel = new OVPanel(10, 12, &window);
    auto *badge = new OVSBadge(&window);
    window.resize(300, 200);
    panel->setGeometry(50, 50, 100, 60);
    badge->move(200, 10);
    window.show();
    // Just below the panel the shadow darkens the background; far to its side it does not.
    const QImage shadow = window.grab().toImage();
    QVERIFY(shadow.pixelColor(100, 113).lightness() < shadow.pixelColor(260, 113).lightness() - 3);
    for (const OVTheme &theme : OVTheme::all()) {
        OVUI::shared()->setTheme(theme);
        QCOMPARE(window.palette().color(QPalette::Highlight), theme.accent);
        QCOMPARE(window.palette().color(QPalette::WindowText), theme.text);
        const QImage image = window.grab().toImage();
        const QByteArray failed = theme.id.toUtf8();
        // The background runs from base at the top to deep at the bottom.
        QVERIFY2(near(image.pixelColor(20, 0), theme.base, 2), failed.constData());
        QVERIFY2(near(image.pixelColor(20, 199), theme.deep, 2), failed.constData());
        // The lower half of the badge runs through the accent.
        const QPoint at(badge->geometry().left() + 4, badge->geometry().center().y() + 2);
        QVERIFY2(near(image.pixelColor(at), theme.accent, 40), failed.constData());
    }
}

void TestOVControls::haloOfAPieceBuiltApart()
{
    // Built while its container was still a window of its own, then placed in a panel.
    auto *container = new QWidget;
    auto *row = new QHBoxLayout(container);
    row->setContentsMargins(0, 0, 0, 0);
    auto *knob = new OVKnob;
    knob->setRange(0, 1);
    row->addWidget(knob);
    QWidget window;
    host(window, panelOf({container}, 30));
    const QImage image = window.grab().toImage();
    // The track's top reaches above the knob's rectangle and is still drawn there.
    const QPointF dialTop = knob->dial().center() - QPointF(0, knob->dial().height() / 2 + 1);
    const QPoint top = knob->mapTo(&window, dialTop.toPoint());
    QVERIFY(top.y() < container->mapTo(&window, QPoint()).y());
    QVERIFY(near(image.pixelColor(top), OVUI::shared()->theme().well, 12));
}

QTEST_MAIN(TestOVControls)
#include "tst_ovcontrols.moc"
