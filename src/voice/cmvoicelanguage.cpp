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

QByteArray CMVoiceLanguage::arpa(const QList<QStringList> &sentences)
{
    std::map<Gram, double> c1, c2, c3;
    std::map<Gram, double> history1, history2; // counts as a history
    std::map<Gram, int> followers1, followers2; // distinct words that follow a history
    double total = 0;
    for (const QStringList &sentence : sentences) {
        Gram s{sentenceStart};
        s += sentence;
        s += sentenceEnd;
        for (qsizetype i = 0; i < s.size(); ++i) {
            c1[{s[i]}] += 1;
            total += 1;
            if (i >= 1) {
                const Gram h{s[i - 1]};
                if (c2[{s[i - 1], s[i]}]++ == 0)
                    ++followers1[h];
                history1[h] += 1;
            }
            if (i >= 2) {
                const Gram h{s[i - 2], s[i - 1]};
                if (c3[{s[i - 2], s[i - 1], s[i]}]++ == 0)
                    ++followers2[h];
                history2[h] += 1;
            }
        }
    }
    if (c1.find({sentenceStart}) == c1.end()) {
        c1[{sentenceStart}] = 1;
        c1[{sentenceEnd}] = 1;
        total = 2;
    }

    const double vocabulary = double(c1.size());
    std::map<Gram, double> p1, p2;
    for (const auto &[gram, count] : c1)
        p1[gram] = (count + 1) / (total + vocabulary);
    for (const auto &[gram, count] : c2)
        p2[gram] = (count - discount) / history1[{gram[0]}];

    const auto backoff = [](double heldOut, double lowerMassSeen) {
        return log10Safe(heldOut / std::max(1.0 - lowerMassSeen, 1e-6));
    };
    std::map<Gram, double> seenMass1, seenMass2;
    for (const auto &[gram, p] : p2)
        seenMass1[{gram[0]}] += p1[{gram[1]}];
    for (const auto &[gram, count] : c3)
        seenMass2[{gram[0], gram[1]}] += p2[{gram[1], gram[2]}];

    QByteArray out = "\\data\\\n";
    out += "ngram 1=" + QByteArray::number(qsizetype(c1.size())) + '\n';
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
    for (const auto &[gram, count] : c3)
        out += line(log10Safe((count - discount) / history2[{gram[0], gram[1]}]), gram, {});
    out += "\n\\end\\\n";
    return out;
}

CMVoiceLanguage CMVoiceLanguage::build(QStringView script, const QByteArray &fullDictionary)
{
    CMVoiceLanguage language;
    language.tokens = CMVoiceScript::tokens(script);
    QSet<QString> wanted;
    for (const CMVoiceToken &token : language.tokens)
        wanted.insert(token.text);

    // One pass over the dictionary: keep the lines of the words the script has.
    QHash<QByteArray, int> idOfSound;
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
        if (!wanted.contains(word))
            continue;
        language.dictionary += entry.toByteArray() + '\n';
        if (alternate)
            continue;
        const QByteArray sound = entry.sliced(space).trimmed().toByteArray();
        const auto it = idOfSound.constFind(sound);
        const int id = it != idOfSound.constEnd() ? *it : int(idOfSound.size());
        idOfSound.insert(sound, id);
        language.idOfWord.insert(word, id);
    }

    language.ids.reserve(std::size_t(language.tokens.size()));
    QList<QStringList> sentences;
    QStringList sentence;
    for (const CMVoiceToken &token : language.tokens) {
        const int id = language.idOfWord.value(token.text, -1);
        language.ids.push_back(id);
        if (id >= 0)
            sentence << token.text;
        if (token.sentenceEnd && !sentence.isEmpty())
            sentences << std::exchange(sentence, {});
    }
    if (!sentence.isEmpty())
        sentences << sentence;
    language.languageModel = arpa(sentences);
    language.words = CMMath::words(script);
    return language;
}
