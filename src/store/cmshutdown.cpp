#include "cmshutdown.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace CMShutdown {

namespace {

constexpr std::array signalsWatched{SIGTERM, SIGHUP, SIGINT};

int pipeEnds[2] = {-1, -1};
QPointer<QObject> saveContext;
std::function<void()> saveAction;

// Only what is safe in a signal handler: tell the event loop, and let the next one kill.
void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t ignored = ::write(pipeEnds[1], &byte, 1);
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(number, &fallback, nullptr);
    errno = saved;
}

void saveNow()
{
    if (saveContext && saveAction)
        saveAction();
}

} // namespace

void install(QObject *context, std::function<void()> save)
{
    saveContext = context;
    saveAction = std::move(save);
    // Runs when exit() is called while the context lives; after a normal quit the context is
    // gone and nothing is pending anyway.
    static const bool atExit = std::atexit(saveNow) == 0;
    Q_UNUSED(atExit);

    if (pipeEnds[0] >= 0 || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
        unsigned char number = 0;
        if (::read(pipeEnds[0], &number, 1) != 1)
            return;
        saveNow();
        QCoreApplication::exit(128 + number);
    });
    for (const int number : signalsWatched) {
        struct sigaction previous = {};
        // Started with nohup or in the background of a shell: stay deaf as asked.
        if (::sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(number, &action, nullptr);
    }
}

} // namespace CMShutdown
