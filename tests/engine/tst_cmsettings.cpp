#include <engine/cmsettings.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<CMSettings>)

class TestCMSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodeIsAllOrNothing_data();
    void decodeIsAllOrNothing();
    void clampedIsSafeForAbsurdValues();
};

static QJsonObject defaultObject()
{
    return QJsonDocument::fromJson(CMSettings{}.toJson()).object();
}

void TestCMSettings::decodeIsAllOrNothing_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<std::optional<CMSettings>>("expected");

    // Values out of the controls' ranges load unchanged.
    const CMSettings odd{25, -5, 0, 2.2, u"Menlo-Regular"_s, 7, true, true, 10, false, 0.7, true};
    QTest::newRow("round trip") << odd.toJson() << std::optional(odd);
    QTest::newRow("any order, unknown keys, integer for a double")
        << QByteArray(R"({"uppercase":true,"future":[1,2],"cuePosition":0.5,"cueLine":false,
            "countdown":5,"flip":true,"mirror":true,"colors":2,"fontName":"Georgia",
            "lineSpacing":1.5,"margin":20,"fontSize":100,"speed":4})")
        << std::optional(
               CMSettings{4, 100, 20, 1.5, u"Georgia"_s, 2, true, true, 5, false, 0.5, true});

    const std::optional<CMSettings> none;
    const auto with = [](const char *key, const QJsonValue &value) {
        QJsonObject o = defaultObject();
        o.insert(QLatin1StringView(key), value);
        return QJsonDocument(o).toJson();
    };
    QTest::newRow("not json") << QByteArray("speed=3") << none;
    QTest::newRow("array") << QByteArray("[1,2,3]") << none;
    QTest::newRow("truncated") << CMSettings{}.toJson().chopped(2) << none;
    for (const QString &key : defaultObject().keys()) {
        QJsonObject o = defaultObject();
        o.remove(key);
        QTest::newRow(qPrintable(u"missing "_s + key)) << QJsonDocument(o).toJson() << none;
    }
    QTest::newRow("speed as string") << with("speed", u"3"_s) << none;
    QTest::newRow("fontName number") << with("fontName", 7) << none;
    QTest::newRow("colors fractional") << with("colors", 1.5) << none;
    QTest::newRow("countdown fractional") << with("countdown", 3.25) << none;
    QTest::newRow("countdown too large") << with("countdown", 1e300) << none;
    QTest::newRow("mirror as number") << with("mirror", 1) << none;
}

void TestCMSettings::decodeIsAllOrNothing()
{
    QFETCH(QByteArray, json);
    QTEST(CMSettings::fromJson(json), "expected");
}

void TestCMSettings::clampedIsSafeForAbsurdValues()
{
    const CMSettings c = CMSettings{.speed = 1e300,
                                    .fontSize = 0,
                                    .margin = 80,
                                    .lineSpacing = 0.2,
                                    .colors = -9,
                                    .countdown = std::numeric_limits<qint64>::max(),
                                    .cuePosition = -4}
                             .clamped();
    QCOMPARE(c.speed, 10.0);
    QVERIFY(c.fontSize > 0);
    QVERIFY(c.margin < 50);
    QVERIFY(c.lineSpacing >= 1.0);
    QCOMPARE(c.colors, 0);
    QVERIFY(c.countdown <= 3600);
    QCOMPARE(c.cuePosition, 0.1);

    // Values the controls produce pass through untouched.
    const CMSettings normal{.speed = 10, .fontSize = 200, .margin = 35, .lineSpacing = 2.2};
    QCOMPARE(normal.clamped(), normal);

    CMSettings nan;
    nan.speed = std::nan("");
    QCOMPARE(nan.usableSpeed(), 0.0);
}

QTEST_GUILESS_MAIN(TestCMSettings)
#include "tst_cmsettings.moc"
