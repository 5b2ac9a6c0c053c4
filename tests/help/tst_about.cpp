#include <help/ovabout.h>
#include <kit/ovui.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

std::optional<QString> given(const QString &s)
{
    return s.isNull() ? std::nullopt : std::optional<QString>(s);
}

int visibleWindowsTitled(const QString &title)
{
    int n = 0;
    for (const QWidget *w : QApplication::topLevelWidgets())
        n += w->isVisible() && w->windowTitle() == title;
    return n;
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionLine_data();
    void versionLine();
    void thisBuild();
    void oneWindow();
    void roomForZoom_data();
    void roomForZoom();
};

void TestAbout::versionLine_data()
{
    QTest::addColumn<QString>("version"); // null: missing
    QTest::addColumn<QString>("build");
    QTest::addColumn<QString>("line");

    QTest::newRow("both") << u"2.3"_s << u"41"_s << u"Version 2.3 (build 41)"_s;
    QTest::newRow("neither") << QString() << QString() << u"Version 1.0 (build -)"_s;
    QTest::newRow("no build") << u"2.3"_s << QString() << u"Version 2.3 (build -)"_s;
    QTest::newRow("no version") << QString() << u"7"_s << u"Version 1.0 (build 7)"_s;
    QTest::newRow("blank counts as missing") << u""_s << u"  "_s << u"Version 1.0 (build -)"_s;
}

void TestAbout::versionLine()
{
    QFETCH(QString, version);
    QFETCH(QString, build);
    QFETCH(QString, line);
    QCOMPARE(OVAbout::versionLine(given(version), given(build)), line);
}

// The panel shows the version compiled in, and an icon compiled into the library: never an
// empty square.
void TestAbout::thisBuild()
{
    const QString line = OVAbout::versionLine();
    QVERIFY2(QRegularExpression(u"^Version \\d+\\.\\d+(\\.\\d+)* \\(build \\S+\\)$"_s)
                 .match(line)
                 .hasMatch(),
             qPrintable(line));
    OVAbout::show(u"OVS Cuemaster"_s);
    QCOMPARE(OVAbout::view()->versionLabel()->text(), line);
    const QPixmap icon = OVAbout::appIcon().pixmap(96);
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.size(), QSize(96, 96));
}

void TestAbout::oneWindow()
{
    OVAbout::show(u"OVS Cuemaster"_s);
    QWidget *window = OVAbout::window();
    QPointer<OVAboutView> first = OVAbout::view();
    QVERIFY(window && first);
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    OVAbout::show(u"OVS Cuemaster"_s);
    QCOMPARE(OVAbout::window(), window);
    QVERIFY(OVAbout::view() != first);
    QTRY_VERIFY(!first);
    QCOMPARE(visibleWindowsTitled(u"About OVS Cuemaster"_s), 1);
    QVERIFY(QTest::qWaitForWindowActive(window));
    // Nothing in the panel is focused, so the credit's link does not open underlined.
    QCOMPARE(QApplication::focusWidget(), OVAbout::view());
    const Qt::WindowFlags buttons =
        Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;
    QCOMPARE(window->windowFlags() & buttons, Qt::WindowCloseButtonHint);

    window->close();
    OVAbout::show(u"Other"_s);
    QCOMPARE(OVAbout::window(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), u"About Other"_s);
    QCOMPARE(OVAbout::view()->nameLabel()->text(), u"Other"_s);
}

void TestAbout::roomForZoom_data()
{
    QTest::addColumn<double>("zoom");
    QTest::newRow("1") << 1.0;
    QTest::newRow("1.5") << 1.5;
    QTest::newRow("2") << 2.0;
}

void TestAbout::roomForZoom()
{
    QFETCH(double, zoom);
    OVUI::shared()->setZoom(zoom);
    OVAbout::show(u"OVS Cuemaster"_s);
    QWidget *window = OVAbout::window();
    const QSize needed = OVAbout::view()->minimumSizeHint();
    QVERIFY(window->width() >= needed.width() && window->height() >= needed.height());
    QCOMPARE(window->minimumSize(), window->maximumSize());
    if (zoom == 1.0)
        QCOMPARE(window->size(), OVAbout::size);

    // Zooming while it is open makes room at once.
    OVUI::shared()->setZoom(2.0);
    const QSize neededLarge = OVAbout::view()->minimumSizeHint();
    QTRY_VERIFY(window->width() >= neededLarge.width() && window->height() >= neededLarge.height());
    OVUI::shared()->setZoom(1.0);
    QTRY_COMPARE(window->size(), OVAbout::size);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
