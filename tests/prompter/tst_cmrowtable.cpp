#include <prompter/cmrowtable.h>

#include <QRandomGenerator>
#include <QTest>

using Row = CMRowTable::Row;

namespace {

// The plain list the table must behave like: rows of a script, each line followed by a line
// feed, tops summed from the first row.
struct Model
{
    std::vector<Row> rows;
    double gap = 3;

    std::vector<Row> placed(std::vector<Row> lines, qsizetype start) const
    {
        for (Row &row : lines) {
            row.start = start;
            start += row.length + 1;
        }
        return lines;
    }
    double top(std::size_t i) const
    {
        double y = 0;
        for (std::size_t k = 0; k < i; ++k)
            y += rows[k].height + gap;
        return y;
    }
};

std::vector<Row> makeRows(QRandomGenerator &random, int count, quint64 &serial)
{
    std::vector<Row> rows(std::size_t(std::max(count, 0)));
    for (Row &row : rows) {
        row.length = random.bounded(80);
        row.height = 10 + random.bounded(50);
        row.serial = ++serial;
        row.measured = random.bounded(3) != 0;
    }
    return rows;
}

void checkMatches(const CMRowTable &table, const Model &model, QRandomGenerator &random)
{
    const int n = int(model.rows.size());
    QCOMPARE(table.size(), n);
    int unmeasured = 0;
    for (int i = 0; i < n; ++i) {
        const Row row = table.row(i);
        QCOMPARE(row.start, model.rows[std::size_t(i)].start);
        QCOMPARE(row.serial, model.rows[std::size_t(i)].serial);
        unmeasured += row.measured ? 0 : 1;
    }
    QCOMPARE(table.unmeasured(), unmeasured);
    QCOMPARE(table.top(n), model.top(std::size_t(n)));
    for (int probe = 0; probe < 40; ++probe) {
        const int i = int(random.bounded(n));
        QCOMPARE(table.top(i), model.top(std::size_t(i)));
        const double y = model.top(std::size_t(i)) + random.bounded(model.rows[std::size_t(i)].height);
        QCOMPARE(table.rowAt(y), i);
        const Row &row = model.rows[std::size_t(i)];
        QCOMPARE(table.lineAt(row.start + random.bounded(row.length + 1)), i);
        int expected = i;
        while (expected < n && model.rows[std::size_t(expected)].measured)
            ++expected;
        QCOMPARE(table.firstUnmeasured(i), expected);
    }
    QCOMPARE(table.rowAt(-5), 0);
    QCOMPARE(table.rowAt(model.top(std::size_t(n)) + 100), n - 1);
}

} // namespace

class TestCMRowTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editsMatchAPlainList_data();
    void editsMatchAPlainList();
};

void TestCMRowTable::editsMatchAPlainList_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("largest");
    QTest::newRow("one block, small edits") << 40 << 3;
    QTest::newRow("many blocks, small edits") << 5000 << 3;
    QTest::newRow("many blocks, edits across blocks") << 5000 << 1500;
    QTest::newRow("from one row") << 1 << 2000;
}

// Random replacements, as typing, pasting and deleting make them, and rows measured as the view
// reaches them, first and last ones among them, checked against the list.
void TestCMRowTable::editsMatchAPlainList()
{
    QFETCH(int, rows);
    QFETCH(int, largest);
    QRandomGenerator random(quint32(rows + largest));
    quint64 serial = 0;
    Model model;
    model.rows = model.placed(makeRows(random, rows, serial), 0);
    CMRowTable table;
    table.setGap(model.gap);
    table.assign(model.rows);
    checkMatches(table, model, random);

    for (int step = 0; step < 60; ++step) {
        const int n = int(model.rows.size());
        const int first = int(random.bounded(n));
        const int last = std::min(n - 1, first + int(random.bounded(largest)));
        std::vector<Row> replacement = makeRows(random, 1 + int(random.bounded(largest)), serial);
        const Row &firstRow = model.rows[std::size_t(first)];
        const Row &lastRow = model.rows[std::size_t(last)];
        replacement = model.placed(replacement, firstRow.start);
        qsizetype newEnd = replacement.back().start + replacement.back().length;
        const qsizetype delta = newEnd - (lastRow.start + lastRow.length);
        const auto at = model.rows.begin() + first;
        model.rows.erase(at, model.rows.begin() + last + 1);
        model.rows.insert(model.rows.begin() + first, replacement.begin(), replacement.end());
        for (std::size_t k = std::size_t(first) + replacement.size(); k < model.rows.size(); ++k)
            model.rows[k].start += delta;

        table.replace(first, last, replacement, delta);
        const int count = int(model.rows.size());
        const int shown = step % 3 == 0 ? 0 : step % 3 == 1 ? count - 1 : int(random.bounded(count));
        Row &measured = model.rows[std::size_t(shown)];
        measured.height += 17;
        measured.measured = true;
        table.setMeasured(shown, measured.height);
        if (step % 10 == 9)
            checkMatches(table, model, random);
        else
            QCOMPARE(table.size(), int(model.rows.size()));
    }
    checkMatches(table, model, random);
    table.setGap(5);
    model.gap = 5;
    checkMatches(table, model, random);
}

QTEST_GUILESS_MAIN(TestCMRowTable)
#include "tst_cmrowtable.moc"
