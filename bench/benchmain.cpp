#include "bench.h"

#include <QApplication>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {
std::atomic<long long> allocationCount{0};
}

void *operator new(std::size_t size)
{
    allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void *p) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

namespace cmbench {

std::vector<Entry> &registry()
{
    static std::vector<Entry> entries;
    return entries;
}

Registrar::Registrar(const char *name, Body body)
{
    registry().push_back({QString::fromUtf8(name), std::move(body)});
}

double medianMs(int runs, const std::function<void()> &fn)
{
    std::vector<double> times;
    times.reserve(std::size_t(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        fn();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long long allocations()
{
    return allocationCount.load(std::memory_order_relaxed);
}

QString makeScript(int lines)
{
    static const QStringList words = {u"the"_s,     u"camera"_s, u"presenter"_s, u"reads"_s,
                                      u"evening"_s, u"news"_s,   u"slowly"_s,    u"and"_s,
                                      u"clearly"_s, u"tonight"_s, u"with"_s,     u"care"_s};
    QString script;
    script.reserve(lines * 64);
    for (int i = 0; i < lines; ++i) {
        if (i > 0)
            script += u'\n';
        if (i % 10 == 9) {
            script += u"[Pause — look into the lens]"_s;
            continue;
        }
        for (int w = 0; w < 10; ++w) {
            if (w > 0)
                script += u' ';
            script += words[(i * 7 + w * 3) % words.size()];
        }
        script += u'.';
    }
    return script;
}

QString makeIntlScript(int lines)
{
    static const QStringList words = {u"the"_s,     u"camera"_s, u"presenter"_s, u"reads"_s,
                                      u"evening"_s, u"news"_s,   u"slowly"_s,    u"and"_s,
                                      u"clearly"_s, u"tonight"_s, u"with"_s,     u"care"_s};
    static const QStringList emoji = {u"🎬"_s, u"👍"_s, u"🙏"_s, u"🇬🇧"_s,
                                      u"👩\u200D👩\u200D👧"_s, u"👋🏽"_s, u"❤\uFE0F"_s};
    static const QStringList chinese = {u"欢迎收看今晚的节目，我们为您带来最新的新闻。"_s,
                                        u"今天的天气很好，明天可能会下雨，请注意安全。"_s,
                                        u"感谢各位观众的支持，我们下周同一时间再见。"_s};
    static const QStringList arabic = {u"مرحبا بكم في برنامجنا الليلة، نتمنى لكم مشاهدة ممتعة."_s,
                                       u"الطقس اليوم جميل، وقد تمطر غدا في المساء."_s,
                                       u"شكرا لكم على المتابعة، نلقاكم الأسبوع القادم."_s};
    QString script;
    script.reserve(lines * 80);
    for (int i = 0; i < lines; ++i) {
        if (i > 0)
            script += u'\n';
        if (i % 10 == 9) {
            script += u"[Pause — look into the lens 👀]"_s;
            continue;
        }
        switch (i % 3) {
        case 0:
            for (int w = 0; w < 10; ++w) {
                if (w > 0)
                    script += u' ';
                script += w % 4 == 3 ? emoji[(i + w) % emoji.size()]
                                     : words[(i * 7 + w * 3) % words.size()];
            }
            script += u'.';
            break;
        case 1:
            script += chinese[i % chinese.size()] + u' ' + emoji[i % emoji.size()];
            break;
        default:
            script += arabic[i % arabic.size()];
            break;
        }
    }
    return script;
}

} // namespace cmbench

int main(int argc, char *argv[])
{
    if (argc == 3 && std::string_view(argv[1]) == "--import-child")
        return cmbench::importChild(argv[2]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform warns about every window it cannot raise; the figures are the
    // output here, so keep them readable.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type != QtWarningMsg || !message.startsWith(u"This plugin does not support"_s))
            fprintf(stderr, "%s\n", qPrintable(message));
    });
    QApplication app(argc, argv);

    const QStringList wanted = app.arguments().mid(1);
    QTextStream out(stdout);
    const cmbench::Report report = [&out](const QString &name, double value,
                                          const QString &unit) {
        out << u"{\"bench\": \"%1\", \"value\": %2, \"unit\": \"%3\"}"_s.arg(name)
                   .arg(value, 0, 'g', 6)
                   .arg(unit)
            << Qt::endl;
    };
    int ran = 0;
    for (const auto &entry : cmbench::registry()) {
        if (!wanted.isEmpty() && !wanted.contains(entry.name))
            continue;
        entry.body(report);
        ++ran;
    }
    if (ran == 0) {
        QTextStream err(stderr);
        err << "no such bench; known:";
        for (const auto &entry : cmbench::registry())
            err << ' ' << entry.name;
        err << Qt::endl;
        return 1;
    }
    return 0;
}
