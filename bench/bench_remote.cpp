#include "bench.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <QWebSocket>
#include <QtEndian>
#include <atomic>
#include <ctime>
#include <engine/cmengine.h>
#include <prompter/cmprompterrenderer.h>
#include <prompter/cmscripttext.h>
#include <remote/cmremote.h>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Time the calling thread has run: what a frame costs, whatever else the machine is doing.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Remote
{
    CMEngine engine;
    CMRemote remote{engine};

    Remote()
    {
        CMSettings s;
        s.countdown = 0;
        engine.setSettings(s);
        engine.setContentHeight(1e7);
        remote.start({0, false});
    }

    QByteArray command(const QByteArray &json) const
    {
        return "POST /api/v1/command HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " +
               remote.token() + "\r\nContent-Type: application/json\r\nContent-Length: " +
               QByteArray::number(json.size()) + "\r\n\r\n" + json;
    }
};

// One HTTP request from a client thread, blocking until the server closes the connection.
void httpRequest(quint16 port, const QByteArray &bytes)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(2000))
        return;
    socket.write(bytes);
    socket.waitForBytesWritten(2000);
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(2000))
        socket.readAll();
}

QByteArray oscToggle()
{
    return QByteArray("/cuemaster/toggle\0\0\0,\0\0\0", 24);
}

// From a client sending a command (on its own thread) to the engine's change on the main
// thread, where the server runs: over HTTP, and over OSC.
void commandLatency(const cmbench::Report &report, bool osc)
{
    Remote r;
    std::vector<double> times;
    std::atomic<Clock::time_point> sent{};
    QObject::connect(&r.engine, &CMEngine::runningChanged, &r.engine,
                     [&] { times.push_back(msBetween(sent.load(), Clock::now())); });
    const quint16 port = osc ? r.remote.oscPort() : r.remote.port();
    const QByteArray http = r.command(R"({"command":"toggle"})");
    for (int i = 0; i < 41; ++i) {
        std::atomic<bool> done{false};
        std::thread client([&] {
            if (osc) {
                QUdpSocket socket;
                sent = Clock::now();
                socket.writeDatagram(oscToggle(), QHostAddress::LocalHost, port);
            } else {
                // Timed from the write, as a client that holds its connection open would be.
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, port);
                if (socket.waitForConnected(2000)) {
                    sent = Clock::now();
                    socket.write(http);
                    socket.waitForBytesWritten(2000);
                    while (socket.state() == QAbstractSocket::ConnectedState &&
                           socket.waitForReadyRead(2000))
                        socket.readAll();
                }
            }
            done = true;
        });
        // The server answers on this thread: it runs while the client waits.
        const std::size_t before = times.size();
        QElapsedTimer wait;
        wait.start();
        while ((!done || times.size() == before) && wait.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        client.join();
    }
    report(osc ? u"remote_command_latency_osc"_s : u"remote_command_latency_http"_s, median(times),
           u"ms"_s);
}

} // namespace

CM_BENCH("remote_command_latency", [](const cmbench::Report &report) {
    commandLatency(report, false);
    commandLatency(report, true);
});

// A state change pushed to 50 connected WebSocket clients: from the change until the last
// of them has it.
CM_BENCH("remote_clients_50", [](const cmbench::Report &report) {
    Remote r;
    QUrl url(u"ws://127.0.0.1/api/v1/events"_s);
    url.setPort(r.remote.port());
    url.setQuery(u"token="_s + QString::fromLatin1(r.remote.token()));
    std::vector<std::unique_ptr<QWebSocket>> clients;
    int received = 0;
    for (int i = 0; i < 50; ++i) {
        auto socket = std::make_unique<QWebSocket>();
        QObject::connect(socket.get(), &QWebSocket::textMessageReceived, socket.get(),
                         [&received] { ++received; });
        socket->open(url);
        clients.push_back(std::move(socket));
    }
    QElapsedTimer wait;
    wait.start();
    while (r.remote.clientCount() < 50 && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::vector<double> times;
    for (int round = 0; round < 21; ++round) {
        QTest::qWait(30);
        received = 0;
        const auto start = Clock::now();
        if (round % 2)
            r.engine.faster();
        else
            r.engine.slower();
        wait.restart();
        while (received < 50 && wait.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        times.push_back(msBetween(start, Clock::now()));
    }
    report(u"remote_clients_50"_s, median(times), u"ms"_s);
});

// Frames of the prompter at 2160p, driven by the engine's clock, while a client sends 1,000
// commands a second to the remote on the same thread, against the same without the flood.
CM_BENCH("remote_flood_frame", [](const cmbench::Report &report) {
    Remote r;
    CMSettings settings = r.engine.settings();
    settings.speed = 5;
    r.engine.setSettings(settings);
    CMScriptText text;
    text.setStyle(CMTextStyle::fromSettings(settings));
    text.setScript(cmbench::makeScript(10000));
    text.measureAll();
    CMPrompterRenderer renderer(text);
    renderer.setSettings(settings);
    renderer.setViewSize(QSize(3840, 2160));
    QImage image(QSize(3840, 2160), QImage::Format_RGB32);
    r.engine.setContentHeight(text.height());
    r.engine.jumpTo(text.height() * 0.4);
    {
        QPainter p(&image);
        renderer.paint(p, {r.engine.offsetNow(), std::nullopt, 0});
        renderer.renderAhead(std::chrono::hours(1));
    }
    r.engine.play();

    // Alternate seconds with and without the flood, so both see the same script and machine.
    std::atomic<bool> flood{false};
    std::atomic<bool> stop{false};
    std::atomic<int> served{0};
    std::thread client([&] {
        const QByteArray faster = r.command(R"({"command":"faster"})");
        const QByteArray slower = r.command(R"({"command":"slower"})");
        auto next = Clock::now();
        for (int i = 0; !stop; ++i) {
            next += std::chrono::milliseconds(1);
            if (flood) {
                httpRequest(r.remote.port(), i % 2 ? faster : slower);
                ++served;
            }
            std::this_thread::sleep_until(next);
        }
    });
    std::vector<double> quiet;
    std::vector<double> flooded;
    std::vector<double> quietCpu;
    std::vector<double> floodedCpu;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
        const auto start = Clock::now();
        const double cpu = threadCpuMs();
        QPainter p(&image);
        renderer.paint(p, {r.engine.offsetNow(), std::nullopt,
                           r.engine.currentRate() / 60 * renderer.geometry().scale});
        p.end();
        renderer.renderAhead(std::chrono::milliseconds(4));
        (flood ? flooded : quiet).push_back(msBetween(start, Clock::now()));
        (flood ? floodedCpu : quietCpu).push_back(threadCpuMs() - cpu);
    });
    tick.start(16);
    for (int block = 0; block < 20; ++block) {
        flood = block % 2 == 1;
        QEventLoop loop;
        QTimer::singleShot(500, &loop, &QEventLoop::quit);
        loop.exec();
    }
    tick.stop();
    stop = true;
    client.join();
    const double q = median(quiet);
    const double f = median(flooded);
    report(u"remote_flood_frame"_s, f, u"ms"_s);
    report(u"remote_flood_frame_quiet"_s, q, u"ms"_s);
    report(u"remote_flood_frame_change"_s, (f / q - 1) * 100, u"%"_s);
    report(u"remote_flood_frame_cpu"_s, median(floodedCpu), u"ms"_s);
    report(u"remote_flood_frame_cpu_quiet"_s, median(quietCpu), u"ms"_s);
    report(u"remote_flood_commands"_s, served / 5.0, u"/s"_s);
});
