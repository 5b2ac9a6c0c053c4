#include <testsupport.h>
#include "imagetools.h"

#include <engine/cmengine.h>
#include <kit/ovfonts.h>
#include <prompter/cmprompterview.h>

#include <QFontMetricsF>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QImage shot(CMPrompterView &view)
{
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QString lines(int count, const QString &line)
{
    return QStringList(count, line).join(u'\n');
}

// The digit as Qt itself draws it, white on black, where the countdown centres it.
QImage digitReference(int digit, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont font = OVFonts::font(260, QFont::ExtraBold, OVDesign::Rounded);
    const QFontMetricsF metrics(font, &image);
    const QString text = QString::number(digit);
    const double top = (size.height() - metrics.ascent() - metrics.descent()) / 2;
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QPointF((size.width() - metrics.horizontalAdvance(text)) / 2,
                             top + metrics.ascent()), text);
    return image;
}

// Overlap of the bright pixels of two images inside the countdown ring: 1 when they coincide.
double overlap(const QImage &a, const QImage &b)
{
    const QPoint centre = a.rect().center();
    qint64 both = 0, either = 0;
    for (int y = centre.y() - 115; y < centre.y() + 115; ++y) {
        for (int x = centre.x() - 115; x < centre.x() + 115; ++x) {
            const bool p = imagetools::brightness(a.pixel(x, y)) > 160;
            const bool q = imagetools::brightness(b.pixel(x, y)) > 160;
            both += p && q;
            either += p || q;
        }
    }
    return either ? double(both) / double(either) : 1.0;
}

} // namespace

class TestCMPrompterView : public QObject
{
    Q_OBJECT

private:
    CMInstant now = CMInstant{} + std::chrono::hours(1000);
    std::unique_ptr<CMEngine> engine;
    std::unique_ptr<CMPrompterView> view;

    CMEngine &makeEngine(const QString &script, const CMSettings &settings = {.countdown = 0})
    {
        view.reset();
        cmtest::clearSettings();
        engine = std::make_unique<CMEngine>();
        engine->setTimeSource([this] { return now; });
        engine->setScript(script);
        engine->setSettings(settings);
        return *engine;
    }
    CMPrompterView &makeView(QSize size, bool preview = false)
    {
        view = std::make_unique<CMPrompterView>(*engine, preview);
        view->resize(size);
        QCoreApplication::processEvents(); // the view's reports reach the engine
        return *view;
    }

private Q_SLOTS:
    void cleanup();
    void readingLineMarker_data();
    void readingLineMarker();
    void countdownShowsSecondsLeft();
    void reportsAreDeferred_data();
    void reportsAreDeferred();
    void shownOffsetEndsTheRunPromptly();
};

void TestCMPrompterView::cleanup()
{
    view.reset();
    engine.reset();
}

void TestCMPrompterView::readingLineMarker_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("1920 x 1080") << QSize(1920, 1080);
    QTest::newRow("3840 x 2160") << QSize(3840, 2160);
}

void TestCMPrompterView::readingLineMarker()
{
    QFETCH(QSize, size);
    makeEngine(QString());
    const QImage image = shot(makeView(size));
    const double s = size.width() / 1920.0;
    const QColor red(255, 59, 48);
    const QColor band(33, 8, 6);
    // Band from 347.76 to 444.96; arrows from 368 to 424, their tips at 396.
    const std::tuple<double, double, QColor> points[] = {
        {1500, 349, band}, {1500, 443, band}, {1500, 346, Qt::black}, {1500, 447, Qt::black},
        {16, 370, red},    {56, 396, red},    {56, 372, band},        {1864, 396, red}};
    for (const auto &[x, y, color] : points) {
        QVERIFY2(imagetools::near(image.pixel(int(x * s), int(y * s)), color, 6),
                 qPrintable(u"%1, %2"_s.arg(x).arg(y)));
    }
}

void TestCMPrompterView::countdownShowsSecondsLeft()
{
    // Black on white, so the dimmer shows.
    CMEngine &e = makeEngine(u"Good evening."_s, {.colors = 3, .countdown = 3, .cueLine = false});
    CMPrompterView &v = makeView(QSize(1920, 1080));
    e.play();
    const CMInstant start = now;
    const std::pair<double, int> moments[] = {{0.1, 3}, {0.95, 3}, {1.2, 2}, {2.5, 1},
                                              {2.999, 1}, {3.0, 0}, {3.4, 0}};
    for (const auto &[at, digit] : moments) {
        now = addSeconds(start, at);
        const QImage image = shot(v);
        // Without the dimmer, the white digits would not show on the white background.
        QVERIFY(imagetools::near(image.pixel(5, 5), digit ? QColor(115, 115, 115) : Qt::white));
        if (digit == 0)
            continue;
        QList<double> overlaps; // with the digits 1, 2, 3
        for (int d = 1; d <= 3; ++d)
            overlaps << overlap(image, digitReference(d, image.size()));
        const auto best = std::max_element(overlaps.cbegin(), overlaps.cend());
        QCOMPARE(best - overlaps.cbegin() + 1, digit);
        QVERIFY2(*best > 0.8, qPrintable(QString::number(*best)));
    }
}

void TestCMPrompterView::reportsAreDeferred_data()
{
    QTest::addColumn<bool>("preview");
    QTest::addColumn<bool>("live");
    QTest::addColumn<bool>("setsViewport");
    QTest::newRow("live window") << false << true << true;
    QTest::newRow("rig preview, nothing live") << true << false << true;
    QTest::newRow("rig preview while live") << true << true << false;
}

void TestCMPrompterView::reportsAreDeferred()
{
    QFETCH(bool, preview);
    QFETCH(bool, live);
    QFETCH(bool, setsViewport);
    CMEngine &e = makeEngine(lines(20, u"A line of the script"_s));
    e.setLive(live);
    CMPrompterView v(e, preview);
    v.resize(1280, 1024); // a canvas 1536 points high
    (void)shot(v);
    QCOMPARE(e.contentHeight(), 0.0);
    QCOMPARE(e.viewportHeight(), 1080.0);
    QCoreApplication::processEvents();
    QVERIFY(e.contentHeight() > 20 * 72);
    QCOMPARE(e.viewportHeight(), setsViewport ? 1536.0 : 1080.0);

    const double before = e.contentHeight();
    e.setScript(e.script() + u"\nOne more"_s);
    QCOMPARE(e.contentHeight(), before);
    QCoreApplication::processEvents();
    QVERIFY(e.contentHeight() > before);

    if (live) {
        e.setLive(false); // the preview takes the viewport over once nothing is live
        QCoreApplication::processEvents();
        QCOMPARE(e.viewportHeight(), 1536.0);
    }
}

void TestCMPrompterView::shownOffsetEndsTheRunPromptly()
{
    CMEngine &e = makeEngine(lines(4, u"Short script"_s));
    CMPrompterView &v = makeView(QSize(960, 540));
    e.play();
    (void)shot(v);
    now = addSeconds(now, 60);
    (void)shot(v); // this frame reaches the end
    QVERIFY(e.running());
    QCoreApplication::processEvents(); // well before the end watch fires
    QVERIFY(!e.running());
    QVERIFY(e.finished());
}

QTEST_MAIN(TestCMPrompterView)
#include "tst_cmprompterview.moc"
