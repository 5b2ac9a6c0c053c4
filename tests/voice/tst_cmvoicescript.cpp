#include <voice/cmvoicelanguage.h>
#include <voice/cmvoicescript.h>
#include <voice/cmwavfile.h>

#include <engine/cmmath.h>

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

class TestCMVoiceScript : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wordTokens_data();
    void wordTokens();
    void tokensCountLikeTheWordCount();
    void languageModel();
    void commonWords();
    void wavFiles_data();
    void wavFiles();
};

void TestCMVoiceScript::wordTokens_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("tokens");
    QTest::newRow("punctuation") << u"“Hello,”"_s << QStringList{u"hello"_s};
    QTest::newRow("apostrophe kept") << u"don’t"_s << QStringList{u"don't"_s};
    QTest::newRow("hyphen splits") << u"well-known"_s << QStringList{u"well"_s, u"known"_s};
    QTest::newRow("dash alone") << u"—"_s << QStringList{};
    QTest::newRow("number") << u"42"_s << QStringList{u"forty"_s, u"two"_s};
    QTest::newRow("thousands") << u"1,250"_s
                               << QStringList{u"one"_s, u"thousand"_s, u"two"_s, u"hundred"_s,
                                              u"fifty"_s};
    QTest::newRow("year") << u"1984."_s << QStringList{u"nineteen"_s, u"eighty"_s, u"four"_s};
    QTest::newRow("year oh") << u"1905"_s << QStringList{u"nineteen"_s, u"oh"_s, u"five"_s};
    QTest::newRow("decimal") << u"2.5"_s << QStringList{u"two"_s, u"point"_s, u"five"_s};
    QTest::newRow("too long a number") << u"12345678901234"_s << QStringList{};
}

void TestCMVoiceScript::wordTokens()
{
    QFETCH(QString, word);
    QTEST(CMVoiceScript::wordTokens(word), "tokens");
}

// Token word indices are the word count's: cues are left out, even across lines.
void TestCMVoiceScript::tokensCountLikeTheWordCount()
{
    const QString script = u"[Intro]\nGood evening, 2 guests.\n[Pause —\nlook] Then — we go"_s;
    const QList<CMVoiceToken> tokens = CMVoiceScript::tokens(script);
    QStringList texts;
    QList<qint64> words;
    for (const CMVoiceToken &t : tokens) {
        texts << t.text;
        words << t.word;
    }
    QCOMPARE(texts, (QStringList{u"good"_s, u"evening"_s, u"two"_s, u"guests"_s, u"then"_s,
                                 u"we"_s, u"go"_s}));
    QCOMPARE(words, (QList<qint64>{0, 1, 2, 3, 4, 6, 7}));
    QCOMPARE(CMMath::words(script), 8);
    QVERIFY(tokens[3].sentenceEnd);
    QVERIFY(tokens.back().sentenceEnd);
}

void TestCMVoiceScript::languageModel()
{
    const QByteArray dictionary = "go G OW\ngood G UH D\nno N OW\nknow N OW\nknow(2) N AW\n"
                                  "the DH AH\nthe(2) DH IY\n";
    const CMVoiceLanguage language =
        CMVoiceLanguage::build(u"Good, the know-how. No go zork"_s, dictionary);
    // Sound-alikes share an id; a word the dictionary lacks is -1.
    QCOMPARE(language.idOf(u"know(2)"_s), language.idOf(u"no"_s));
    QCOMPARE(language.ids.back(), -1);
    QCOMPARE(language.ids.size(), std::size_t(7));
    QVERIFY(language.dictionary.contains("know(2) N AW\n"));
    QVERIFY(!language.dictionary.contains("zork"));
    const QByteArray arpa = language.languageModel;
    QVERIFY(arpa.contains(" good the know\n"));
    // Read on without a pause: the next sentence follows the last words of this one.
    QVERIFY(arpa.contains(" know no "));
    QVERIFY(arpa.contains(" the know no\n"));
    QVERIFY(arpa.contains(" know no go\n"));
}

// Everyday words join the vocabulary as what they are, off the script; one that sounds like a
// script word would only take its place and stays out. The single words still share out all
// the weight.
void TestCMVoiceScript::commonWords()
{
    const QByteArray dictionary = "go G OW\ngood G UH D\nhello HH AH L OW\nhello(2) HH EH L OW\n"
                                  "no N OW\nknow N OW\nthe DH AH\nwell W EH L\n";
    const CMVoiceLanguage language = CMVoiceLanguage::build(
        u"Good, the know-how. No go"_s, dictionary,
        {{u"hello"_s, 0.3}, {u"know"_s, 0.3}, {u"well"_s, 0.2}, {u"zork"_s, 0.2}});
    QCOMPARE(language.idOf(u"hello(2)"_s), -1);
    QCOMPARE(language.idOf(u"well"_s), -1);
    QVERIFY(language.idOf(u"know"_s) >= 0);
    QVERIFY(language.dictionary.contains("hello(2) HH EH L OW\n"));
    QVERIFY(language.dictionary.contains("well W EH L\n"));
    QVERIFY(!language.dictionary.contains("zork"));

    const QList<QByteArray> lines = language.languageModel.split('\n');
    double total = 0;
    QStringList words;
    for (qsizetype i = lines.indexOf("\\1-grams:") + 1; i < lines.size() && !lines[i].isEmpty();
         ++i) {
        const QList<QByteArray> fields = lines[i].split(' ');
        words << QString::fromUtf8(fields[1]);
        if (fields[1] != "<s>")
            total += std::pow(10.0, fields[0].toDouble());
    }
    QVERIFY2(words.contains(u"hello"_s) && words.contains(u"well"_s), qPrintable(words.join(u' ')));
    QVERIFY2(std::abs(total - 1) < 0.01, qPrintable(QString::number(total)));
}

void TestCMVoiceScript::wavFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    const auto wav = [](quint16 format, quint16 bits, const QByteArray &data) -> QByteArray {
        QByteArray b = "RIFF\0\0\0\0WAVEfmt \x10\0\0\0"_ba;
        b += char(format & 0xff);
        b += char(format >> 8);
        b += "\x01\0\x80\x3e\0\0\0\0\0\0\0\0"_ba; // mono, 16000 Hz
        b += char(bits);
        b += '\0';
        b += "data";
        const quint32 n = quint32(data.size());
        for (int i = 0; i < 4; ++i)
            b += char((n >> (8 * i)) & 0xff);
        return b + data;
    };
    QTest::newRow("16-bit") << wav(1, 16, "\x00\x40\x00\xc0"_ba) << true;
    QTest::newRow("float") << wav(3, 32, "\x00\x00\x00\x3f"_ba) << true;
    QTest::newRow("truncated data") << wav(1, 16, "\x00"_ba) << true;
    QTest::newRow("not wav") << "hello"_ba << false;
    QTest::newRow("no data") << QByteArray("RIFF\0\0\0\0WAVE", 12) << false;
    QTest::newRow("12-bit") << wav(1, 12, "\x00\x40"_ba) << false;
    QTest::newRow("huge chunk length")
        << QByteArray("RIFF\0\0\0\0WAVEjunk\xff\xff\xff\xff", 20) << false;
}

void TestCMVoiceScript::wavFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    const CMWavFile file = CMWavFile::parse(bytes);
    QCOMPARE(file.error.isEmpty(), readable);
    if (readable) {
        QCOMPARE(file.sampleRate, 16000);
        for (const float v : file.samples)
            QVERIFY(v >= -1 && v <= 1);
    }
}

QTEST_GUILESS_MAIN(TestCMVoiceScript)
#include "tst_cmvoicescript.moc"
