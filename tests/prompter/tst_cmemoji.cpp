#include <prompter/cmemoji.h>

#include <QTest>

using namespace Qt::StringLiterals;

using Ranges = QList<QPair<qsizetype, qsizetype>>;

class TestCMEmoji : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void presentationRanges_data();
    void presentationRanges();
};

void TestCMEmoji::presentationRanges_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Ranges>("expected");

    QTest::newRow("plain text, digits and symbols") << u"Take 2: #1 * 3 © ★"_s << Ranges{};
    QTest::newRow("emoji by default, between words") << u"A👍B 🙏"_s << Ranges{{1, 2}, {5, 2}};
    // A character shown as text by default is emoji only when asked for.
    QTest::newRow("text heart") << u"❤ x"_s << Ranges{};
    QTest::newRow("heart with emoji selector") << u"❤\uFE0F x"_s << Ranges{{0, 2}};
    QTest::newRow("emoji with text selector") << u"👍\uFE0E"_s << Ranges{};
    QTest::newRow("two flags") << u"🇬🇧🇫🇷"_s << Ranges{{0, 4}, {4, 4}};
    QTest::newRow("odd regional indicator") << u"🇬🇧🇫"_s << Ranges{{0, 4}, {4, 2}};
    QTest::newRow("family joined") << u"👩\u200D👩\u200D👧!"_s << Ranges{{0, 8}};
    QTest::newRow("joined with selector inside") << u"❤\uFE0F\u200D🔥"_s << Ranges{{0, 5}};
    QTest::newRow("skin tone") << u"👋🏽"_s << Ranges{{0, 4}};
    QTest::newRow("skin tone on a text-default base") << u"☝🏽"_s << Ranges{{0, 3}};
    QTest::newRow("keycap") << u"1\uFE0F\u20E3 2"_s << Ranges{{0, 3}};
    QTest::newRow("subdivision flag with tags")
        << u"🏴\U000E0067\U000E0062\U000E0073\U000E0063\U000E0074\U000E007F"_s
        << Ranges{{0, 14}};
    QTest::newRow("joiner at the end") << u"👍\u200D"_s << Ranges{{0, 2}};
    QTest::newRow("joiner before a letter") << u"👍\u200Da"_s << Ranges{{0, 2}};
    QTest::newRow("lone surrogates") << u"\xD83D👍\xDC4D"_s << Ranges{{1, 2}};
    QTest::newRow("empty") << QString() << Ranges{};
}

void TestCMEmoji::presentationRanges()
{
    QFETCH(QString, text);
    QFETCH(Ranges, expected);
    Ranges got;
    for (const CMEmoji::Range &range : CMEmoji::presentationRanges(text))
        got.append({range.start, range.length});
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestCMEmoji)
#include "tst_cmemoji.moc"
