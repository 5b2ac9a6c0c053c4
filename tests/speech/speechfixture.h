#pragma once

#include <voice/cmvoiceoffline.h>
#include <voice/cmwavfile.h>

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

// Speech made for the voice tests and the bench: a script of our own read aloud by the
// speech synthesiser, following a plan (straight, skipping, repeating, pausing, ad-libbing),
// with noise mixed in by sox when asked. Knows when every script word ended.
namespace CMSpeech {

struct Step
{
    enum Kind { Sentence, Pause, AdLib };
    Kind kind = Sentence;
    int sentence = 0;    // Sentence: which of the script's sentences
    double seconds = 0;  // Pause
    QString text;        // AdLib: words the script does not have
};

struct Case
{
    QString name;
    QList<Step> plan;
    int wordsPerMinute = 155;
    double snrDb = 0; // 0: no noise
};

struct SpokenWord
{
    qint64 word = 0;  // script word index
    double end = 0;   // seconds into the recording
    bool again = false; // a word of a repeated sentence
};

struct Recording
{
    CMWavFile wav;
    QList<SpokenWord> words;
    QString error;
};

QStringList sentences();
QString script();
// The script word index of a sentence's first word, and its word count.
qint64 firstWord(int sentence);
qint64 wordCount(int sentence);

// The plans the tests and the bench read.
QList<Case> cases();
Case straight(const QString &name, int wordsPerMinute);

Recording record(const Case &c);

struct Score
{
    // Half a second after each sentence's end, how far the place was from the sentence's last
    // word, or ahead of the furthest word read by then.
    QList<double> sentenceErrors;
    QList<double> delays;         // seconds from a word's end until the place reached it
    QList<double> backSteps;      // how far the place ever moved back (always 0)
    QList<double> ahead;          // at each new place, how far past the furthest word read
};

Score score(const Recording &recording, const QList<CMVoiceOffline::Point> &points);

double median(QList<double> values);
double percentile(QList<double> values, double p);

} // namespace CMSpeech
Q_DECLARE_METATYPE(CMSpeech::Case)
