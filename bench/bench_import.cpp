#include "bench.h"

#include <files/cmimport.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 MB = 1024 * 1024;

// Writes the document part in pieces; returns false when it has no more.
using Producer = std::function<bool(QByteArray &piece)>;

void put16(QByteArray &b, quint16 v) { b.append(char(v & 0xFF)).append(char(v >> 8)); }
void put32(QByteArray &b, quint32 v) { put16(b, quint16(v & 0xFFFF)); put16(b, quint16(v >> 16)); }

// One deflated ZIP entry written from a producer; `declared` (when not negative) is the size
// the directory claims instead of the true one.
struct Entry
{
    QByteArray name;
    quint32 crc = 0, packed = 0, size = 0, offset = 0;
};

Entry writeEntry(QFile &file, const QByteArray &name, const Producer &produce, qint64 declared)
{
    Entry entry{name, 0, 0, 0, quint32(file.pos())};
    const auto header = [&]() -> QByteArray {
        QByteArray h;
        put32(h, 0x04034b50); put16(h, 20); put16(h, 0); put16(h, 8); put16(h, 0); put16(h, 0);
        put32(h, entry.crc); put32(h, entry.packed); put32(h, entry.size);
        put16(h, quint16(name.size())); put16(h, 0);
        return h + name;
    };
    file.write(header());
    z_stream z{};
    deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(256 * 1024, Qt::Uninitialized);
    QByteArray piece;
    quint64 total = 0, packed = 0;
    quint32 crc = 0;
    for (bool more = true; more;) {
        piece.clear();
        more = produce(piece);
        crc = quint32(crc32(crc, reinterpret_cast<const Bytef *>(piece.constData()), uInt(piece.size())));
        total += quint64(piece.size());
        z.next_in = reinterpret_cast<Bytef *>(piece.data());
        z.avail_in = uInt(piece.size());
        do {
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = uInt(out.size());
            deflate(&z, more ? Z_NO_FLUSH : Z_FINISH);
            const qint64 n = out.size() - qint64(z.avail_out);
            file.write(out.constData(), n);
            packed += quint64(n);
        } while (z.avail_out == 0 || (!more && z.avail_in > 0));
    }
    deflateEnd(&z);
    entry.crc = crc;
    entry.packed = quint32(packed);
    entry.size = quint32(declared >= 0 ? quint64(declared) : total);
    const qint64 end = file.pos();
    file.seek(entry.offset);
    file.write(header());
    file.seek(end);
    return entry;
}

void writePackage(const QString &path, const Producer &document, qint64 declared = -1)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    const QByteArray rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>";
    bool relsDone = false;
    std::vector<Entry> entries;
    entries.push_back(writeEntry(file, "_rels/.rels", [&](QByteArray &p) {
        p = relsDone ? QByteArray() : rels;
        relsDone = true;
        return false;
    }, -1));
    entries.push_back(writeEntry(file, "word/document.xml", document, declared));
    const quint32 start = quint32(file.pos());
    QByteArray directory;
    for (const Entry &e : entries) {
        put32(directory, 0x02014b50); put16(directory, 20); put16(directory, 20); put16(directory, 0);
        put16(directory, 8); put16(directory, 0); put16(directory, 0); put32(directory, e.crc);
        put32(directory, e.packed); put32(directory, e.size); put16(directory, quint16(e.name.size()));
        put16(directory, 0); put16(directory, 0); put16(directory, 0); put16(directory, 0);
        put32(directory, 0); put32(directory, e.offset);
        directory += e.name;
    }
    file.write(directory);
    QByteArray end;
    put32(end, 0x06054b50); put16(end, 0); put16(end, 0); put16(end, quint16(entries.size()));
    put16(end, quint16(entries.size())); put32(end, quint32(directory.size())); put32(end, start);
    put16(end, 0);
    file.write(end);
}

// head, `unit` repeated to about `bytes`, tail: a document part made in 1 MB pieces.
Producer repeated(QByteArray head, QByteArray unit, qint64 bytes, QByteArray tail)
{
    const QByteArray block = unit.repeated(std::max<qsizetype>(1, MB / unit.size()));
    auto left = std::make_shared<qint64>(bytes);
    auto stage = std::make_shared<int>(0);
    return [=](QByteArray &piece) {
        if (*stage == 0) {
            piece = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document "
                    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
                    "<w:p><w:r><w:t>Before</w:t></w:r></w:p>" + head;
            *stage = 1;
            return true;
        }
        if (*left > 0) {
            piece = block;
            *left -= block.size();
            return true;
        }
        piece = tail + "<w:p><w:r><w:t>After</w:t></w:r></w:p></w:body></w:document>";
        return false;
    };
}

struct Measure
{
    double ms = -1, mb = -1, chars = -1, cpuMs = -1;
};

Measure measure(const QString &path)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {u"--import-child"_s, path});
    child.waitForFinished(-1);
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() < 4)
        return {};
    return {fields[0].toDouble(), fields[1].toDouble(), fields[2].toDouble(), fields[3].toDouble()};
}

double kilobytes(const char *field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toDouble();
    return -1;
}

} // namespace

namespace cmbench {

// The child side of import_hostile_docx: one import, then its wall time, the growth of the
// peak resident memory over what the process held before, the characters imported and the
// processor time (on a shared machine the wall time also counts other people's work).
int importChild(const char *path)
{
    const auto cpuMs = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return (double(usage.ru_utime.tv_sec) + double(usage.ru_stime.tv_sec)) * 1e3
               + (double(usage.ru_utime.tv_usec) + double(usage.ru_stime.tv_usec)) / 1e3;
    };
    const double before = kilobytes("VmRSS:");
    const double cpuBefore = cpuMs();
    QElapsedTimer timer;
    timer.start();
    const CMImport::Result result = CMImport::read(QString::fromLocal8Bit(path));
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const double peak = kilobytes("VmHWM:");
    std::printf("%.1f %.1f %lld %.1f\n", ms, (peak - before) / 1024,
                result ? qint64(result.text->size()) : 0LL, cpuMs() - cpuBefore);
    return 0;
}

} // namespace cmbench

namespace {

// Each hostile package of the import issue, made at full size: the worst time and memory.
void importHostileDocx(const cmbench::Report &report)
{
    QTemporaryDir dir;
    struct Case
    {
        QString name;
        Producer part;
        qint64 declared = -1;
    };
    const QByteArray paragraph =
        "<w:p w:rsidR=\"00A1B2C3\" w:rsidRDefault=\"00D4E5F6\"><w:pPr><w:spacing w:after=\"120\" "
        "w:line=\"276\" w:lineRule=\"auto\"/><w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\"/>"
        "</w:rPr></w:pPr><w:r w:rsidRPr=\"00112233\"><w:rPr><w:rFonts w:ascii=\"Arial\" "
        "w:hAnsi=\"Arial\" w:cs=\"Arial\"/><w:b/><w:sz w:val=\"24\"/><w:szCs w:val=\"24\"/></w:rPr>"
        "<w:t xml:space=\"preserve\">The presenter reads the evening news </w:t></w:r>"
        "<w:proofErr w:type=\"spellStart\"/><w:r w:rsidRPr=\"00112233\"><w:rPr><w:rFonts "
        "w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:cs=\"Arial\"/><w:b/><w:sz w:val=\"24\"/><w:szCs "
        "w:val=\"24\"/></w:rPr><w:t>slowly and clearly.</w:t></w:r><w:proofErr w:type=\"spellEnd\"/>"
        "<w:bookmarkStart w:id=\"0\" w:name=\"_GoBack\"/><w:bookmarkEnd w:id=\"0\"/></w:p>\n";
    const qint64 big = 250 * MB;
    const std::vector<Case> cases = {
        {u"comment_16mb"_s, repeated("<!--", "x", 16 * MB, "-->")},
        {u"comment_250mb"_s, repeated("<!--", "x", big, "-->")},
        {u"cdata_250mb"_s, repeated("<w:p><w:r><w:t><![CDATA[", "x", big, "]]></w:t></w:r></w:p>")},
        {u"pi_250mb"_s, repeated("<?pi ", "x", big, "?>")},
        {u"text_250mb"_s, repeated("<w:p><w:r><w:t>", "word ", big, "</w:t></w:r></w:p>")},
        // The directory says 1000 bytes; the part inflates to 1 GB.
        {u"bomb_1gb"_s, repeated("", "<w:p><w:r><w:t>ab</w:t></w:r></w:p>", 1024 * MB, ""), 1000},
        {u"legit_250mb"_s, repeated("", paragraph, big, "")},
    };
    double worstMs = 0, worstMb = 0, worstCpu = 0;
    for (const Case &c : cases) {
        const QString path = QDir(dir.path()).filePath(c.name + u".docx"_s);
        writePackage(path, c.part, c.declared);
        std::vector<double> times, cpu;
        Measure m;
        for (int run = 0; run < 3; ++run) {
            m = measure(path);
            times.push_back(m.ms);
            cpu.push_back(m.cpuMs);
        }
        std::sort(times.begin(), times.end());
        std::sort(cpu.begin(), cpu.end());
        QFile::remove(path);
        report(u"import_hostile_docx_%1"_s.arg(c.name), times[1], u"ms"_s);
        report(u"import_hostile_docx_%1_cpu"_s.arg(c.name), cpu[1], u"ms"_s);
        report(u"import_hostile_docx_%1_mb"_s.arg(c.name), m.mb, u"MB"_s);
        if (m.chars > 0)
            report(u"import_hostile_docx_%1_chars"_s.arg(c.name), m.chars, u"count"_s);
        worstMs = std::max(worstMs, times[1]);
        worstCpu = std::max(worstCpu, cpu[1]);
        worstMb = std::max(worstMb, m.mb);
    }
    report(u"import_hostile_docx"_s, worstMs, u"ms"_s);
    report(u"import_hostile_docx_cpu"_s, worstCpu, u"ms"_s);
    report(u"import_hostile_docx_mb"_s, worstMb, u"MB"_s);
}

} // namespace

CM_BENCH("import_hostile_docx", importHostileDocx);
