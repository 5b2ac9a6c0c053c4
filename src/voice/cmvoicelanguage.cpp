#include "cmvoicelanguage.h"

#include <engine/cmmath.h>

#include <QSet>

#include <cmath>
#include <map>

using namespace Qt::StringLiterals;

namespace {

constexpr double discount = 0.5;
const QString sentenceStart = u"<s>"_s;
const QString sentenceEnd = u"</s>"_s;

using Gram = QStringList;

QByteArray number(double v)
{
    return QByteArray::number(v, 'f', 4);
}

QByteArray line(double logProb, const Gram &gram, std::optional<double> backoff)
{
    QByteArray out = number(logProb) + ' ' + gram.join(u' ').toUtf8();
    if (backoff)
        out += ' ' + number(*backoff);
    return out + '\n';
}

double log10Safe(double p)
{
    return std::log10(std::max(p, 1e-12));
}

} // namespace

int CMVoiceLanguage::idOf(QString word) const
{
    const qsizetype paren = word.indexOf(u'(');
    if (paren > 0)
        word.truncate(paren);
    return idOfWord.value(word, -1);
}

QByteArray CMVoiceLanguage::arpa(const QList<QStringList> &sentences,
                                 const QList<CommonWord> &common)
{
    std::map<Gram, double> c1, c2, c3;
    std::map<Gram, double> history1, history2; // counts as a history
    std::map<Gram, int> followers1, followers2; // distinct words that follow a history
    double total = 0;
    const auto count = [&](const Gram &gram) {
        if (gram.size() == 2) {
            if (c2[gram]++ == 0)
                ++followers1[gram.first(1)];
            history1[gram.first(1)] += 1;
        } else {
            if (c3[gram]++ == 0)
                ++followers2[gram.first(2)];
            history2[gram.first(2)] += 1;
        }
    };
    for (qsizetype k = 0; k < sentences.size(); ++k) {
        Gram s{sentenceStart};
        s += sentences[k];
        s += sentenceEnd;
        for (qsizetype i = 0; i < s.size(); ++i) {
            c1[{s[i]}] += 1;
            total += 1;
            if (i >= 1)
                count(s.mid(i - 1, 2));
            if (i >= 2)
                count(s.mid(i - 2, 3));
        }
        // Read on without a pause: the words across the join.
        if (k == 0 || sentences[k - 1].isEmpty() || sentences[k].isEmpty())
            continue;
        const Gram join = sentences[k - 1].mid(std::max<qsizetype>(sentences[k - 1].size() - 2, 0))
                          + sentences[k].first(std::min<qsizetype>(sentences[k].size(), 2));
        const qsizetype first = std::min<qsizetype>(sentences[k - 1].size(), 2);
        count(join.mid(first - 1, 2));
        if (first == 2)
            count(join.mid(0, 3));
        if (join.size() - first == 2)
            count(join.mid(first - 1, 3));
    }
    if (c1.find({sentenceStart}) == c1.end()) {
        c1[{sentenceStart}] = 1;
        c1[{sentenceEnd}] = 1;
        total = 2;
    }

    // "<s>" is never said: the single words that are share all the weight.
    const double spoken = total - c1[{sentenceStart}];
    const double vocabulary = double(c1.size()) - 1;
    std::map<Gram, double> p1, p2;
    double commonShares = 0;
    for (const CommonWord &word : common) {
        if (c1.find({word.text}) == c1.end())
            commonShares += word.share;
    }
    const double scriptWeight = commonShares > 0 ? 1 - commonWeight : 1;
    for (const auto &[gram, n] : c1)
        p1[gram] = gram[0] == sentenceStart ? 0.0 : scriptWeight * (n + 1) / (spoken + vocabulary);
    for (const CommonWord &word : common) {
        if (c1.find({word.text}) == c1.end() && word.share > 0)
            p1[{word.text}] = commonWeight * word.share / commonShares;
    }
    for (const auto &[gram, n] : c2)
        p2[gram] = (n - discount) / history1[{gram[0]}];

    const auto backoff = [](double heldOut, double lowerMassSeen) {
        return log10Safe(heldOut / std::max(1.0 - lowerMassSeen, 1e-6));
    };
    std::map<Gram, double> seenMass1, seenMass2;
    for (const auto &[gram, p] : p2)
        seenMass1[{gram[0]}] += p1[{gram[1]}];
    for (const auto &[gram, n] : c3)
        seenMass2[{gram[0], gram[1]}] += p2[{gram[1], gram[2]}];

    QByteArray out = "\\data\\\n";
    out += "ngram 1=" + QByteArray::number(qsizetype(p1.size())) + '\n';
    out += "ngram 2=" + QByteArray::number(qsizetype(c2.size())) + '\n';
    out += "ngram 3=" + QByteArray::number(qsizetype(c3.size())) + "\n\n\\1-grams:\n";
    for (const auto &[gram, p] : p1) {
        const double logProb = gram[0] == sentenceStart ? -99.0 : log10Safe(p);
        std::optional<double> bo;
        if (const auto it = history1.find(gram); it != history1.end())
            bo = backoff(discount * followers1[gram] / it->second, seenMass1[gram]);
        else if (gram[0] != sentenceEnd)
            bo = 0.0;
        out += line(logProb, gram, bo);
    }
    out += "\n\\2-grams:\n";
    for (const auto &[gram, p] : p2) {
        std::optional<double> bo = 0.0;
        if (const auto it = history2.find(gram); it != history2.end())
            bo = backoff(discount * followers2[gram] / it->second, seenMass2[gram]);
        out += line(log10Safe(p), gram, bo);
    }
    out += "\n\\3-grams:\n";
    for (const auto &[gram, n] : c3)
        out += line(log10Safe((n - discount) / history2[{gram[0], gram[1]}]), gram, {});
    out += "\n\\end\\\n";
    return out;
}

CMVoiceLanguage CMVoiceLanguage::build(QStringView script, const QByteArray &fullDictionary,
                                       const QList<CommonWord> &common)
{
    CMVoiceLanguage language;
    language.tokens = CMVoiceScript::tokens(script);
    QSet<QString> wanted;
    for (const CMVoiceToken &token : language.tokens)
        wanted.insert(token.text);
    QHash<QString, QByteArray> commonEntries; // lines of the common words the script lacks
    for (const CommonWord &word : common) {
        if (!wanted.contains(word.text))
            commonEntries.insert(word.text, {});
    }

    // One pass over the dictionary: keep the lines of the words the script has.
    QHash<QByteArray, int> idOfSound;
    QHash<QString, QByteArray> commonSound;
    for (qsizetype pos = 0; pos < fullDictionary.size();) {
        qsizetype end = fullDictionary.indexOf('\n', pos);
        if (end < 0)
            end = fullDictionary.size();
        const QByteArrayView entry(fullDictionary.constData() + pos, end - pos);
        pos = end + 1;
        const qsizetype space = entry.indexOf(' ');
        if (space <= 0)
            continue;
        QByteArrayView head = entry.first(space);
        const qsizetype paren = head.indexOf('(');
        const bool alternate = paren > 0;
        if (alternate)
            head = head.first(paren);
        const QString word = QString::fromUtf8(head);
        const QByteArray sound = entry.sliced(space).trimmed().toByteArray();
        if (const auto it = commonEntries.find(word); it != commonEntries.end()) {
            *it += entry.toByteArray() + '\n';
            if (!alternate)
                commonSound.insert(word, sound);
            continue;
        }
        if (!wanted.contains(word))
            continue;
        language.dictionary += entry.toByteArray() + '\n';
        if (alternate)
            continue;
        const auto it = idOfSound.constFind(sound);
        const int id = it != idOfSound.constEnd() ? *it : int(idOfSound.size());
        idOfSound.insert(sound, id);
        language.idOfWord.insert(word, id);
    }
    // A common word that sounds like a script word would only be heard in its place. Without
    // a script word to follow there is no language at all.
    QList<CommonWord> offScript;
    for (const CommonWord &word : language.dictionary.isEmpty() ? QList<CommonWord>() : common) {
        const auto sound = commonSound.constFind(word.text);
        if (sound == commonSound.constEnd() || idOfSound.contains(*sound))
            continue;
        language.dictionary += commonEntries.value(word.text);
        offScript << word;
    }

    QSet<QString> everyday;
    for (const CommonWord &word : common)
        everyday.insert(word.text);
    language.ids.reserve(std::size_t(language.tokens.size()));
    language.everyday.reserve(std::size_t(language.tokens.size()));
    QList<QStringList> sentences;
    QStringList sentence;
    for (const CMVoiceToken &token : language.tokens) {
        const int id = language.idOfWord.value(token.text, -1);
        language.ids.push_back(id);
        language.everyday.push_back(everyday.contains(token.text));
        if (id >= 0)
            sentence << token.text;
        if (token.sentenceEnd && !sentence.isEmpty())
            sentences << std::exchange(sentence, {});
    }
    if (!sentence.isEmpty())
        sentences << sentence;
    language.languageModel = arpa(sentences, offScript);
    language.words = CMMath::words(script);
    return language;
}
