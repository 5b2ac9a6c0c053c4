#include <testsupport.h>
#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <engine/ovkeys.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// A focusable widget that records the keys that reach it.
class KeySink : public QWidget
{
public:
    explicit KeySink(QWidget *parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override { keys.append(event->key()); }
};

// One window with one widget of each kind the routing tells apart, found by name.
struct Desk
{
    QWidget window;
    QPlainTextEdit *editor = new QPlainTextEdit(u"Hello"_s, &window);
    QLineEdit *line = new QLineEdit(u"Search"_s, &window);
    QPushButton *button = new QPushButton(u"Play"_s, &window);
    KeySink *sink = new KeySink(&window);

    Desk()
    {
        auto *editableCombo = new QComboBox(&window);
        editableCombo->setEditable(true);
        const std::pair<const char *, QWidget *> named[] = {
            {"editor", editor},     {"line", line}, {"spin", new QSpinBox(&window)},
            {"editable combo", editableCombo},      {"combo", new QComboBox(&window)},
            {"button", button},     {"sink", sink}};
        auto *layout = new QVBoxLayout(&window);
        for (const auto &[name, widget] : named) {
            widget->setObjectName(QLatin1StringView(name));
            layout->addWidget(widget);
        }
    }

    QWidget *byName(const QString &name)
    {
        return name == u"window"_s ? &window : window.findChild<QWidget *>(name);
    }

    bool show()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};

} // namespace

// The key monitor and the focus arbiter over real widgets and synthetic key events.
class TestOVKeys : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CMEngine> engine;

private Q_SLOTS:
    void init();
    void cleanup();
    void routing_data();
    void routing();
    void dialogsAndPopupsKeepTheirKeys();
    void monitorSeesEveryPressOnce();
    void toPrompterKeepsTheSelection();
};

void TestOVKeys::init()
{
    cmtest::clearSettings();
    engine = std::make_unique<CMEngine>();
    engine->setContentHeight(100000);
    CMFocus::follow(*engine);
    OVKeys::install([this](const QKeyEvent &key) { return engine->handle(key.key(), key.text()); });
}

void TestOVKeys::cleanup()
{
    OVKeys::remove();
    engine.reset();
}

void TestOVKeys::routing_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("live");
    QTest::addColumn<bool>("toEngine");

    const auto row = [](const char *name, const char *focus, int key, const QString &text,
                        bool toEngine, int modifiers = Qt::NoModifier, bool live = false) {
        QTest::newRow(name) << QString::fromLatin1(focus) << key << text << modifiers << live
                            << toEngine;
    };
    row("editor: Space types", "editor", Qt::Key_Space, u" "_s, false);
    // A line edit ignores Up; the press climbs to the window and must still be left alone.
    row("line edit: Up", "line", Qt::Key_Up, QString(), false);
    row("spin box: Up", "spin", Qt::Key_Up, QString(), false);
    row("editable combo: m", "editable combo", Qt::Key_M, u"m"_s, false);
    row("combo: Up", "combo", Qt::Key_Up, QString(), true);
    row("button: Space", "button", Qt::Key_Space, u" "_s, true);
    row("sink: Shift-M", "sink", Qt::Key_M, u"M"_s, true, Qt::ShiftModifier);
    row("sink: Ctrl-Space", "sink", Qt::Key_Space, u" "_s, false, Qt::ControlModifier);
    row("sink: Escape live", "sink", Qt::Key_Escape, u"\x1b"_s, true, Qt::NoModifier, true);
    row("no focus: Space", "window", Qt::Key_Space, u" "_s, true);
}

void TestOVKeys::routing()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, modifiers);
    QFETCH(bool, live);
    QFETCH(bool, toEngine);

    Desk desk;
    QVERIFY(desk.show());
    QWidget *target = desk.byName(focus);
    QVERIFY(target);
    target->setFocus();
    QCOMPARE(QApplication::focusWidget(), target);
    engine->setLive(live);

    const CMSettings before = engine->settings();
    const QString editorText = desk.editor->toPlainText();
    QSignalSpy endLive(engine.get(), &CMEngine::endLiveRequested);
    QSignalSpy clicked(desk.button, &QPushButton::clicked);
    QTest::sendKeyEvent(QTest::Click, target, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));

    const QStringList textInputs{u"editor"_s, u"line"_s, u"spin"_s, u"editable combo"_s};
    QCOMPARE(CMFocus::editing(), textInputs.contains(focus));
    const bool engineActed =
        engine->running() || endLive.count() > 0 || !(engine->settings() == before);
    QCOMPARE(engineActed, toEngine);
    if (toEngine) {
        QCOMPARE(clicked.count(), 0);
        QVERIFY(!desk.sink->keys.contains(key));
    } else if (focus == u"editor"_s) {
        QVERIFY(desk.editor->toPlainText() != editorText);
    } else if (focus == u"sink"_s) {
        QCOMPARE(desk.sink->keys.last(), key); // after any modifier key of its own
    }
}

void TestOVKeys::dialogsAndPopupsKeepTheirKeys()
{
    Desk hidden; // typing in a window no one sees is not typing
    hidden.editor->setFocus();
    Desk desk;
    QVERIFY(desk.show());
    desk.sink->setFocus();

    QDialog dialog(&desk.window);
    auto *ok = new QPushButton(u"OK"_s, &dialog);
    auto *field = new QLineEdit(&dialog);
    QSignalSpy okClicked(ok, &QPushButton::clicked);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    field->setFocus();
    QVERIFY(!CMFocus::editing()); // nor is typing in a dialog
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Space);
    QCOMPARE(okClicked.count(), 1);
    QVERIFY(!engine->running());
    dialog.close();

    QMenu menu;
    menu.addAction(u"One"_s);
    menu.addAction(u"Two"_s);
    menu.popup(desk.window.mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    QTest::keyClick(&menu, Qt::Key_Down);
    QCOMPARE(engine->settings().speed, 3.0);
    QCOMPARE(menu.activeAction(), menu.actions().first());
    menu.close();

    // Once they are gone, the same keys drive the prompter again.
    desk.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&desk.window));
    QTest::keyClick(desk.sink, Qt::Key_Down);
    QCOMPARE(engine->settings().speed, 2.5);
}

// Each press is offered once, auto-repeated ones too; releases are not.
void TestOVKeys::monitorSeesEveryPressOnce()
{
    Desk desk;
    QVERIFY(desk.show());
    desk.sink->setFocus();
    int offered = 0;
    OVKeys::install([&offered](const QKeyEvent &) { return ++offered, true; });
    QTest::keyClick(desk.sink, Qt::Key_A);
    for (int i = 0; i < 20; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), i > 0);
        QApplication::sendEvent(desk.sink, &press);
    }
    QCOMPARE(offered, 21);
    QVERIFY(desk.sink->keys.isEmpty());

    OVKeys::remove();
    QTest::keyClick(desk.sink, Qt::Key_A);
    QCOMPARE(offered, 21);
    QCOMPARE(desk.sink->keys, QList<int>{Qt::Key_A});
}

// Selected backwards, so that putting the selection back the obvious way would turn it round.
void TestOVKeys::toPrompterKeepsTheSelection()
{
    Desk desk;
    QVERIFY(desk.show());
    desk.line->setFocus();
    desk.line->setSelection(5, -3);
    const auto state = [&desk] {
        return std::tuple(desk.line->text(), desk.line->selectedText(), desk.line->cursorPosition());
    };
    const auto before = state();

    engine->toggle(); // asks for the focus, as the deck's play button does
    QVERIFY(!CMFocus::editing());
    QVERIFY(state() == before);
    QTest::keyClick(&desk.window, Qt::Key_Space);
    QVERIFY(!engine->running());
    QVERIFY(state() == before);

    // Activating the window again must not hand the keyboard back to the text.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    desk.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&desk.window));
    QVERIFY(!CMFocus::editing());
}

QTEST_MAIN(TestOVKeys)
#include "tst_ovkeys.moc"
