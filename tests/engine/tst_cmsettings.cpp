#include <engine/cmsettings.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

class TestCMSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaults();
    void equality();
    void roundTrip();
    void encodesExactlyTwelveTypedKeys();
    void decodeAcceptsAnyOrderAndUnknownKeys();
    void decodeIsAllOrNothing_data();
    void decodeIsAllOrNothing();
    void outOfRangeValuesLoadUnchanged();
    void clampedIsSafeForAbsurdValues();
};

static QJsonObject defaultObject()
{
    return QJsonDocument::fromJson(CMSettings{}.toJson()).object();
}

void TestCMSettings::defaults()
{
    const CMSettings s;
    QCOMPARE(s.speed, 3.0);
    QCOMPARE(s.fontSize, 72.0);
    QCOMPARE(s.margin, 12.0);
    QCOMPARE(s.lineSpacing, 1.25);
    QCOMPARE(s.fontName, u"HelveticaNeue-Bold"_s);
    QCOMPARE(s.colors, 0);
    QCOMPARE(s.mirror, false);
    QCOMPARE(s.flip, false);
    QCOMPARE(s.countdown, 3);
    QCOMPARE(s.cueLine, true);
    QCOMPARE(s.cuePosition, 0.33);
    QCOMPARE(s.uppercase, false);
}

void TestCMSettings::equality()
{
    CMSettings a, b;
    QVERIFY(a == b);
    b.fontName = u"helveticaneue-bold"_s;
    QVERIFY(a != b); // case matters
    b = a;
    b.cuePosition = 0.34;
    QVERIFY(a != b);
}

void TestCMSettings::roundTrip()
{
    CMSettings s;
    s.speed = 6.5;
    s.fontSize = 99.9;
    s.margin = 0;
    s.lineSpacing = 2.2;
    s.fontName = u"Menlo-Regular"_s;
    s.colors = 4;
    s.mirror = true;
    s.flip = true;
    s.countdown = 10;
    s.cueLine = false;
    s.cuePosition = 0.7;
    s.uppercase = true;
    const auto decoded = CMSettings::fromJson(s.toJson());
    QVERIFY(decoded);
    QCOMPARE(*decoded, s);
}

void TestCMSettings::encodesExactlyTwelveTypedKeys()
{
    const QJsonObject o = defaultObject();
    QCOMPARE(o.keys().size(), 12);
    QVERIFY(o.value("speed"_L1).isDouble());
    QVERIFY(o.value("fontName"_L1).isString());
    QVERIFY(o.value("mirror"_L1).isBool());
    // The integers are written as JSON integers, not as 3.0.
    QVERIFY(CMSettings{}.toJson().contains("\"countdown\":3"));
    QVERIFY(!CMSettings{}.toJson().contains('\n'));
}

void TestCMSettings::decodeAcceptsAnyOrderAndUnknownKeys()
{
    const QByteArray json =
        R"({"uppercase":true,"future":[1,2],"cuePosition":0.5,"cueLine":false,"countdown":5,
            "flip":true,"mirror":true,"colors":2,"fontName":"Georgia","lineSpacing":1.5,
            "margin":20,"fontSize":100,"speed":4})";
    const auto s = CMSettings::fromJson(json);
    QVERIFY(s);
    QCOMPARE(s->fontName, u"Georgia"_s);
    QCOMPARE(s->margin, 20.0); // an integer is a valid double
    QCOMPARE(s->countdown, 5);
    QCOMPARE(s->uppercase, true);
}

void TestCMSettings::decodeIsAllOrNothing_data()
{
    QTest::addColumn<QByteArray>("json");

    const auto with = [](const char *key, const QJsonValue &value) {
        QJsonObject o = defaultObject();
        o.insert(QLatin1StringView(key), value);
        return QJsonDocument(o).toJson();
    };
    const auto without = [](const char *key) {
        QJsonObject o = defaultObject();
        o.remove(QLatin1StringView(key));
        return QJsonDocument(o).toJson();
    };

    QTest::newRow("not json") << QByteArray("speed=3");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("array") << QByteArray("[1,2,3]");
    QTest::newRow("truncated") << CMSettings{}.toJson().chopped(2);
    for (const char *key : {"speed", "fontSize", "margin", "lineSpacing", "fontName", "colors",
                            "mirror", "flip", "countdown", "cueLine", "cuePosition", "uppercase"})
        QTest::newRow(qPrintable(u"missing "_s + QLatin1StringView(key))) << without(key);
    QTest::newRow("speed as string") << with("speed", u"3"_s);
    QTest::newRow("speed null") << with("speed", QJsonValue::Null);
    QTest::newRow("fontName number") << with("fontName", 7);
    QTest::newRow("colors fractional") << with("colors", 1.5);
    QTest::newRow("countdown fractional") << with("countdown", 3.25);
    QTest::newRow("countdown too large") << with("countdown", 1e300);
    QTest::newRow("mirror as number") << with("mirror", 1);
    QTest::newRow("uppercase as string") << with("uppercase", u"true"_s);
}

void TestCMSettings::decodeIsAllOrNothing()
{
    QFETCH(QByteArray, json);
    QVERIFY(!CMSettings::fromJson(json).has_value());
}

void TestCMSettings::outOfRangeValuesLoadUnchanged()
{
    QJsonObject o = defaultObject();
    o.insert("colors"_L1, 7);
    o.insert("speed"_L1, 25);
    o.insert("fontSize"_L1, -5);
    const auto s = CMSettings::fromJson(QJsonDocument(o).toJson());
    QVERIFY(s);
    QCOMPARE(s->colors, 7);
    QCOMPARE(s->speed, 25.0);
    QCOMPARE(s->fontSize, -5.0);
}

void TestCMSettings::clampedIsSafeForAbsurdValues()
{
    CMSettings s;
    s.speed = 1e300;
    s.fontSize = 0;
    s.margin = 80;
    s.lineSpacing = 0.2;
    s.colors = -9;
    s.countdown = std::numeric_limits<qint64>::max();
    s.cuePosition = -4;
    const CMSettings c = s.clamped();
    QCOMPARE(c.speed, 10.0);
    QVERIFY(c.fontSize > 0);
    QVERIFY(c.margin < 50);
    QVERIFY(c.lineSpacing >= 1.0);
    QCOMPARE(c.colors, 0);
    QVERIFY(c.countdown <= 3600);
    QCOMPARE(c.cuePosition, 0.0);

    // Values the controls produce pass through untouched.
    CMSettings normal;
    normal.fontSize = 200;
    normal.margin = 35;
    normal.lineSpacing = 2.2;
    normal.speed = 10;
    QCOMPARE(normal.clamped(), normal);

    s.speed = std::nan("");
    QCOMPARE(s.usableSpeed(), 0.0);
}

QTEST_GUILESS_MAIN(TestCMSettings)
#include "tst_cmsettings.moc"
