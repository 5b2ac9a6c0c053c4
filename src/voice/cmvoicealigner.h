#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

// Follows a reader through the script from the words a recogniser hears. The script is a list
// of sound ids (-1 for a word the recogniser cannot hear); position() counts the tokens read.
// Monotone and wary:
// - the next few words of the script are taken at once (missed or misheard words skipped),
//   fewer right after a word that fitted nowhere or stepped over others; after words that fit
//   nowhere, as many more (they were likely misheard script words);
// - a jump further ahead (a skipped sentence) needs several heard words in script order,
//   more the further it goes, and beyond a sentence or so everyday words ("the", "and",
//   "go") count half;
// - words that repeat what was read (a sentence read twice) hold the position;
// - anything else (ad-libs, fillers, noise) leaves the position alone, and after a while
//   without a match the reader counts as lost.
// A small value: copy it to try a hypothesis that may still change.
class CMVoiceAligner
{
public:
    struct Options
    {
        int near = 4;         // words ahead taken at once while in step
        int nearAstray = 2;   // the same after a word that did not fit
        int widen = 2;        // words more after as many heard words that did not fit
        int ahead = 400;      // how far a run of words may move the position forward
        int behind = 200;     // how far back a repeat is recognised
        int confirm = 3;      // heard words in a row that make a jump (one more with a gap)
        int far = 20;         // one word more for a jump over more words; two over three times
        int wary = 12;        // everyday words count half for a jump over more words
        int lostAfter = 8;    // heard words without a fit that make the reader lost
        int maxTracks = 48;
    };

    CMVoiceAligner() = default;
    explicit CMVoiceAligner(std::shared_ptr<const std::vector<int>> script);
    CMVoiceAligner(std::shared_ptr<const std::vector<int>> script, Options options);
    // everyday: per token, whether it is an everyday word (none when null).
    CMVoiceAligner(std::shared_ptr<const std::vector<int>> script,
                   std::shared_ptr<const std::vector<bool>> everyday);
    CMVoiceAligner(std::shared_ptr<const std::vector<int>> script,
                   std::shared_ptr<const std::vector<bool>> everyday, Options options);

    // Starts again believing that `tokens` tokens were read.
    void reset(qsizetype tokens);
    // One heard word (its sound id; -1 for a word outside the script). True when the
    // position moved. A tentative word (one of the last of a hypothesis that may still change) may
    // move the position a little but never make a jump.
    bool feed(int id, bool tentative = false);

    qsizetype position() const { return m_position; }
    bool lost() const { return m_unmatched >= m_options.lostAfter; }
    qsizetype size() const { return m_script ? qsizetype(m_script->size()) : 0; }

private:
    struct Track
    {
        qsizetype next = 0; // the token the run expects next
        int run = 0;
        double evidence = 0; // the run, everyday words counting half
        int misses = 0;
        int gaps = 0; // script words the run stepped over
    };

    // The first token at or after `from` that sounds like id, looking at most `known` hearable
    // tokens ahead; -1 when there is none.
    qsizetype find(int id, qsizetype from, int known) const;
    bool absorbRepeat(int id);
    bool extendTracks(int id, bool tentative);
    void startTracks(int id);

    double weight(qsizetype token) const;

    std::shared_ptr<const std::vector<int>> m_script;
    std::shared_ptr<const std::vector<bool>> m_everyday;
    Options m_options;
    qsizetype m_position = 0;
    bool m_inStep = true;
    int m_unmatched = 0;
    std::vector<Track> m_tracks;
};
