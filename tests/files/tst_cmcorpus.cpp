#include <files/cmimport.h>
#include <testsupport.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString corpusPath()
{
    const QByteArray env = qgetenv("CM_CORPUS_DIR");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return QDir::cleanPath(cmtest::sourcePath(u"../shared/corpus"_s));
}

enum class Outcome { Imported, NoText, NotOpened, NotText, NotRead, Other };

Outcome outcome(const CMImport::Result &result)
{
    if (result)
        return Outcome::Imported;
    const QString &m = result.error->message();
    if (m.endsWith(u"” has no text in it."_s))
        return Outcome::NoText;
    if (m.contains(u"” couldn't be opened. It may be damaged or password-protected.\n\nDetails: "_s))
        return Outcome::NotOpened;
    if (m.endsWith(u"” couldn't be read as text."_s))
        return Outcome::NotText;
    if (m.endsWith(u"” couldn't be read."_s))
        return Outcome::NotRead;
    return Outcome::Other;
}

QHash<QString, int> words(const QString &text)
{
    static const QRegularExpression word(u"\\w+"_s, QRegularExpression::UseUnicodePropertiesOption);
    QHash<QString, int> bag;
    auto it = word.globalMatch(text.toLower());
    while (it.hasNext())
        ++bag[it.next().captured()];
    return bag;
}

// Dice agreement of the two bags of words: 1 when they hold the same words as often.
double agreement(const QString &ours, const QString &reference)
{
    const auto a = words(ours);
    const auto b = words(reference);
    qint64 common = 0, total = 0;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        common += std::min(it.value(), b.value(it.key()));
        total += it.value();
    }
    for (const int n : b)
        total += n;
    return total == 0 ? 1.0 : 2.0 * double(common) / double(total);
}

QString readUtf8(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The fixtures of a format: each document with what it must give, text or message.
struct Fixture
{
    QString path;
    QString expected;
    bool message = false;
};

QList<Fixture> fixtures(const QString &format)
{
    QList<Fixture> list;
    const QDir folder(cmtest::sourcePath(u"tests/files/fixtures/"_s + format));
    for (const QFileInfo &info : folder.entryInfoList(QDir::Files, QDir::Name)) {
        const QString suffix = info.suffix();
        if (suffix == u"txt" || suffix == u"message" || info.completeBaseName().contains(u".source"_s))
            continue;
        const QString base = folder.filePath(info.completeBaseName());
        if (QFile::exists(base + u".txt"_s))
            list.append({info.filePath(), readUtf8(base + u".txt"_s), false});
        else if (QFile::exists(base + u".message"_s))
            list.append({info.filePath(), readUtf8(base + u".message"_s).trimmed(), true});
    }
    return list;
}

// What one format's documents gave, for its row of the conformance table.
struct Tally
{
    int documents = 0;
    QHash<Outcome, int> counts;
    int compared = 0;
    double sum = 0, min = 1;

    void add(Outcome got, std::optional<double> agreement)
    {
        ++documents;
        ++counts[got];
        if (!agreement)
            return;
        sum += *agreement;
        min = std::min(min, *agreement);
        ++compared;
    }
    QString row(const QString &format) const
    {
        return u"| %1 | %2 | %3 | %4 | %5 | %6 | %7 |"_s.arg(format)
            .arg(documents)
            .arg(counts.value(Outcome::Imported))
            .arg(counts.value(Outcome::NoText))
            .arg(counts.value(Outcome::NotOpened))
            .arg(counts.value(Outcome::NotText) + counts.value(Outcome::NotRead))
            .arg(compared ? u"%1, %2 (%3 compared)"_s.arg(sum / compared, 0, 'f', 3)
                                                     .arg(min, 0, 'f', 3)
                                                     .arg(compared)
                          : u"no reference"_s);
    }
};

// The formats the public corpus lacks: documents made for the project (tests/files/fixtures),
// each with the exact text (NAME.txt) or message (NAME.message) it must give.
const QStringList fixtureFormats = {u"odt"_s, u"html"_s, u"pdf"_s};

} // namespace

// Every document of the public corpus goes through the importer: none may crash or hang,
// the documents known to be encrypted, damaged or empty get their messages, and the text of
// the others agrees with an independent extraction word by word. The project's own documents
// of the other formats give exactly their expected text.
class TestCMCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void importsTheCorpus();
    void readsTheFixtures_data();
    void readsTheFixtures();
    void cleanupTestCase();

private:
    QMap<QString, Tally> m_fixtures;
};

void TestCMCorpus::importsTheCorpus()
{
    const QDir corpus(corpusPath());
    if (!corpus.exists(u"SOURCES.tsv"_s))
        QSKIP("the public corpus is not beside the repository (set CM_CORPUS_DIR)");

    const QHash<QString, Outcome> expected = {
        {u"docx/poi-bug53475-password-is-pass.docx"_s, Outcome::NotOpened},
        {u"docx/poi-truncated62886.docx"_s, Outcome::NotOpened},
        {u"rtf/osxcart-RtfParserTest_fail_3.rtf"_s, Outcome::NotOpened},
        {u"docx/mammoth-empty.docx"_s, Outcome::NoText},
        {u"docx/mammoth-tiny-picture.docx"_s, Outcome::NoText},
        {u"docx/poi-zero-length.docx"_s, Outcome::NoText},
        {u"docx/pydocx-tbl-having-tables.docx"_s, Outcome::NoText},
        {u"rtf/osxcart-RtfInterpreterTest_fail_2.rtf"_s, Outcome::NoText},
        {u"doc/poi-PasswordProtected.doc"_s, Outcome::NotOpened},
        {u"doc/poi-password_tika_binaryrc4.doc"_s, Outcome::NotOpened},
        {u"doc/poi-password_password_cryptoapi.doc"_s, Outcome::NotOpened},
        {u"doc/poi-clusterfuzz-testcase-minimized-POIHWPFFuzzer-5074346559012864.doc"_s,
         Outcome::NotOpened},
        {u"doc/poi-word2.doc"_s, Outcome::NotOpened},
        {u"doc/poi-empty.doc"_s, Outcome::NoText},
    };
    // Floors under the mean word agreement, so a reader that starts losing text is noticed;
    // one DOC file falling to half its words would take that mean under its floor.
    const QHash<QString, double> floors = {
        {u"rtf"_s, 0.9}, {u"rtfd"_s, 0.9}, {u"docx"_s, 0.9}, {u"doc"_s, 0.95}};

    QStringList table = {u"| format | documents | imported | no text | couldn't be opened | "
                         "not text | word agreement (mean, min) |"_s,
                         u"|---|---|---|---|---|---|---|"_s};
    for (const QString &format : {u"txt"_s, u"rtf"_s, u"rtfd"_s, u"docx"_s, u"doc"_s}) {
        const QDir folder(corpus.filePath(format));
        const QStringList names = folder.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                                                   QDir::Name);
        Tally tally;
        for (const QString &name : names) {
            const QString relative = format + u'/' + name;
            QElapsedTimer timer;
            timer.start();
            const CMImport::Result result = CMImport::read(folder.filePath(name));
            if (timer.elapsed() > 2000)
                qWarning("%s took %lld ms", qPrintable(relative), timer.elapsed());
            const Outcome got = outcome(result);
            QVERIFY2(got != Outcome::Other, qPrintable(relative + u": "_s + result.error->message()));
            if (const auto want = expected.constFind(relative); want != expected.constEnd())
                QVERIFY2(got == *want, qPrintable(relative));
            QString reference;
            const QString base = corpus.filePath(u"reference/"_s + relative);
            for (const QString &tool : {u".soffice.txt"_s, u".catdoc.txt"_s, u".antiword.txt"_s})
                if (result && reference.isEmpty())
                    reference = readUtf8(base + tool);
            const auto a = reference.isEmpty() ? std::nullopt
                                               : std::optional(agreement(*result.text, reference));
            tally.add(got, a);
            if (a && *a < 0.8)
                qInfo("%s: word agreement %.2f", qPrintable(relative), *a);
        }
        if (tally.compared > 0 && floors.contains(format))
            QVERIFY2(tally.sum / tally.compared >= floors.value(format), qPrintable(format));
        table.append(tally.row(format));
    }
    for (const QString &line : std::as_const(table))
        qInfo("%s", qPrintable(line));
}

void TestCMCorpus::readsTheFixtures_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("message");
    for (const QString &format : fixtureFormats)
        for (const Fixture &fixture : fixtures(format))
            QTest::addRow("%s/%s", qPrintable(format), qPrintable(QFileInfo(fixture.path).fileName()))
                << format << fixture.path << fixture.expected << fixture.message;
}

void TestCMCorpus::readsTheFixtures()
{
    QFETCH(QString, format);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QFETCH(bool, message);
    const CMImport::Result result = CMImport::read(path);
    std::optional<double> compared;
    if (result && !message)
        compared = agreement(*result.text, expected);
    m_fixtures[format].add(outcome(result), compared);
    QCOMPARE(result ? *result.text : result.error->message(), expected);
    QCOMPARE(!result, message);
}

// The conformance table's rows for the fixture formats.
void TestCMCorpus::cleanupTestCase()
{
    for (const QString &format : fixtureFormats)
        qInfo("%s", qPrintable(m_fixtures.value(format).row(format)));
    QCOMPARE(m_fixtures.size(), fixtureFormats.size());
}

QTEST_GUILESS_MAIN(TestCMCorpus)
#include "tst_cmcorpus.moc"
