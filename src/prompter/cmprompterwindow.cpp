#include "cmprompterwindow.h"

#include "cmliveroot.h"
#include "cmlivewindow.h"
#include "cmprompterview.h"

#include <engine/cmengine.h>
#include <engine/cmfocus.h>

#include <QApplication>
#include <QScreen>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr double canvasWidthPt = 1920;
constexpr double defaultCanvasHeightPt = 1080;

QString readableName(const QScreen &screen)
{
    const QString maker = screen.manufacturer().trimmed();
    const QString model = screen.model().trimmed();
    if (model.isEmpty())
        return screen.name();
    // Monitors often repeat the maker in the model ("DELL U2415").
    if (maker.isEmpty() || model.startsWith(maker.section(u' ', 0, 0), Qt::CaseInsensitive))
        return model;
    return maker + u' ' + model;
}

} // namespace

CMPrompterWindow &CMPrompterWindow::shared()
{
    static CMPrompterWindow *instance =
        new CMPrompterWindow(CMEngine::shared(), QCoreApplication::instance());
    return *instance;
}

CMPrompterWindow::CMPrompterWindow(CMEngine &engine, QObject *parent)
    : QObject(parent), m_engine(engine)
{
    connect(&m_engine, &CMEngine::endLiveRequested, this, &CMPrompterWindow::close);
    connect(&m_options, &CMOutputs::changed, this, &CMPrompterWindow::applyOptions);
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    Q_ASSERT(app);
    connect(app, &QGuiApplication::screenRemoved, this, &CMPrompterWindow::screenRemoved);
    connect(app, &QGuiApplication::screenAdded, this, &CMPrompterWindow::screenAdded);
}

CMPrompterWindow::~CMPrompterWindow()
{
    for (const Output &output : std::as_const(m_outputs))
        delete output.window.data();
}

QList<QScreen *> CMPrompterWindow::orderedScreens()
{
    QList<QScreen *> list = QGuiApplication::screens();
    QScreen *primary = QGuiApplication::primaryScreen();
    if (const qsizetype at = list.indexOf(primary); at > 0)
        list.move(at, 0);
    return list;
}

QStringList CMPrompterWindow::screenNames()
{
    QStringList names;
    for (const QScreen *screen : orderedScreens())
        names.append(screen->name());
    return names;
}

QList<CMPrompterWindow::Display> CMPrompterWindow::screens()
{
    const QList<QScreen *> list = orderedScreens();
    QList<Display> displays;
    displays.reserve(list.size());
    for (qsizetype i = 0; i < list.size(); ++i)
        displays.append({int(i), label(*list[i], i == 0), list[i]->name()});
    return displays;
}

QString CMPrompterWindow::label(const QScreen &screen, bool primary)
{
    const QRect frame = screen.geometry();
    return readableName(screen) + (primary ? u" (main)"_s : QString()) + u" \u2014 "_s +
           QString::number(frame.width()) + u'\u00D7' + QString::number(frame.height());
}

double CMPrompterWindow::canvasHeight(const QSizeF &frame)
{
    if (!(frame.width() > 0) || !(frame.height() > 0))
        return defaultCanvasHeightPt;
    return frame.height() * canvasWidthPt / frame.width();
}

QList<CMLiveWindow *> CMPrompterWindow::windows() const
{
    QList<CMLiveWindow *> list;
    for (const Output &output : m_outputs) {
        if (output.window)
            list.append(output.window);
    }
    return list;
}

CMLiveWindow *CMPrompterWindow::window() const
{
    return m_outputs.isEmpty() ? nullptr : m_outputs.first().window.data();
}

QScreen *CMPrompterWindow::screen() const
{
    return m_outputs.isEmpty() ? nullptr : m_outputs.first().screen.data();
}

CMLiveWindow *CMPrompterWindow::windowFor(const QString &display) const
{
    for (const Output &output : m_outputs) {
        if (output.home == display)
            return output.window;
    }
    return nullptr;
}

void CMPrompterWindow::show(int index)
{
    const QList<QScreen *> list = orderedScreens();
    if (list.isEmpty()) {
        CMFocus::toPrompter();
        return;
    }
    show(QStringList{list[std::clamp(index, 0, int(list.size()) - 1)]->name()});
}

void CMPrompterWindow::showChecked()
{
    show(m_options.checked(screenNames()));
}

void CMPrompterWindow::show(const QStringList &displays)
{
    CMFocus::toPrompter();
    QStringList homes;
    for (const QString &name : screenNames()) {
        if (displays.contains(name) && !homes.contains(name))
            homes.append(name);
    }
    if (homes.isEmpty())
        return;
    QWidget *active = QApplication::activeWindow();
    if (active && !qobject_cast<CMLiveWindow *>(active))
        m_returnTo = active;
    close();
    m_homes = homes;
    reconcile();
    if (CMLiveWindow *first = window())
        first->takeKeyboard();
    m_engine.setLive(true);
}

void CMPrompterWindow::close()
{
    bool hadKeyboard = false;
    for (Output &output : m_outputs) {
        hadKeyboard = hadKeyboard || (output.window && output.window->isActiveWindow());
        dismiss(output);
    }
    m_outputs.clear();
    m_homes.clear();
    m_engine.setLive(false);
    // With no window manager nothing else would hand the keyboard back.
    if (hadKeyboard && m_returnTo && m_returnTo->isVisible())
        m_returnTo->activateWindow();
}

// Brings the outputs in line with the displays connected now: one on each chosen display
// that is there, or, with none there, one on the first display for the first chosen.
void CMPrompterWindow::reconcile(QScreen *gone)
{
    QList<QScreen *> screens = orderedScreens();
    screens.removeAll(gone);
    if (screens.isEmpty()) {
        close();
        return;
    }
    QList<std::pair<QString, QScreen *>> wanted;
    for (const QString &home : std::as_const(m_homes)) {
        for (QScreen *screen : std::as_const(screens)) {
            const bool taken = std::any_of(wanted.cbegin(), wanted.cend(),
                                           [screen](const auto &w) { return w.second == screen; });
            if (screen->name() == home && !taken) {
                wanted.append({home, screen});
                break;
            }
        }
    }
    if (wanted.isEmpty())
        wanted.append({m_homes.value(0), screens.first()});

    bool keyboardLost = false;
    QList<Output> kept;
    for (Output &output : m_outputs) {
        const std::pair<QString, QScreen *> at{output.home, output.screen.data()};
        if (output.window && output.screen && wanted.contains(at)) {
            kept.append(output);
        } else {
            keyboardLost = keyboardLost || (output.window && output.window->isActiveWindow());
            dismiss(output);
        }
    }
    m_outputs.clear();
    for (const auto &[home, screen] : std::as_const(wanted)) {
        const auto found = std::find_if(kept.begin(), kept.end(), [&](const Output &o) {
            return o.home == home && o.screen == screen;
        });
        if (found != kept.end()) {
            m_outputs.append(*found);
            continue;
        }
        Output output{home, screen, {}};
        open(output, std::exchange(keyboardLost, false));
        m_outputs.append(output);
    }
    // The keys (a presenter's clicker) must keep reaching the prompter.
    if (keyboardLost)
        m_outputs.first().window->takeKeyboard();
    for (qsizetype i = 0; i < m_outputs.size(); ++i)
        m_outputs[i].window->root()->prompterView()->setDefinesViewport(i == 0);
    m_engine.setViewportHeight(canvasHeight(m_outputs.first().screen->geometry().size()));
}

void CMPrompterWindow::open(Output &output, bool activate)
{
    QScreen *screen = output.screen;
    const bool operatorsDisplay = screen == orderedScreens().value(0);
    auto *window = new CMLiveWindow(m_engine, screen, operatorsDisplay);
    output.window = window;
    window->root()->setOptions(m_options.options(output.home));
    connect(window, &CMLiveWindow::closeRequested, this, &CMPrompterWindow::close);
    connect(screen, &QScreen::geometryChanged, this, &CMPrompterWindow::fitToScreen,
            Qt::UniqueConnection);
    window->present();
    if (activate)
        window->takeKeyboard();
}

void CMPrompterWindow::dismiss(Output &output)
{
    // Outputs never share a display.
    if (output.screen)
        disconnect(output.screen, &QScreen::geometryChanged, this, &CMPrompterWindow::fitToScreen);
    output.screen = nullptr;
    if (CMLiveWindow *window = output.window) {
        output.window = nullptr;
        window->hide();
        // Closing may come from the window's own key press or button click: delete it once
        // that event has been delivered.
        window->deleteLater();
    }
}

void CMPrompterWindow::fitToScreen()
{
    for (const Output &output : std::as_const(m_outputs)) {
        if (output.window && output.screen)
            output.window->setGeometry(output.screen->geometry());
    }
    if (QScreen *first = screen())
        m_engine.setViewportHeight(canvasHeight(first->geometry().size()));
}

void CMPrompterWindow::applyOptions(const QString &display)
{
    for (const Output &output : std::as_const(m_outputs)) {
        if (output.home == display && output.window)
            output.window->root()->setOptions(m_options.options(display));
    }
}

void CMPrompterWindow::screenRemoved(QScreen *screen)
{
    const bool showing = std::any_of(m_outputs.cbegin(), m_outputs.cend(),
                                     [screen](const Output &o) { return o.screen == screen; });
    if (showing)
        reconcile(screen);
}

void CMPrompterWindow::screenAdded(QScreen *screen)
{
    if (!m_outputs.isEmpty() && m_homes.contains(screen->name()))
        reconcile();
}
