#include "cmprompterwindow.h"

#include "cmlivewindow.h"

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
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    Q_ASSERT(app);
    connect(app, &QGuiApplication::screenRemoved, this, &CMPrompterWindow::screenRemoved);
    connect(app, &QGuiApplication::screenAdded, this, &CMPrompterWindow::screenAdded);
}

CMPrompterWindow::~CMPrompterWindow()
{
    delete m_window.data();
}

QList<QScreen *> CMPrompterWindow::orderedScreens()
{
    QList<QScreen *> list = QGuiApplication::screens();
    QScreen *primary = QGuiApplication::primaryScreen();
    if (const qsizetype at = list.indexOf(primary); at > 0)
        list.move(at, 0);
    return list;
}

QList<CMPrompterWindow::Display> CMPrompterWindow::screens()
{
    const QList<QScreen *> list = orderedScreens();
    QList<Display> displays;
    displays.reserve(list.size());
    for (qsizetype i = 0; i < list.size(); ++i)
        displays.append({int(i), label(*list[i], i == 0)});
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

CMLiveWindow *CMPrompterWindow::window() const
{
    return m_window;
}

QScreen *CMPrompterWindow::screen() const
{
    return m_screen;
}

void CMPrompterWindow::show(int index)
{
    CMFocus::toPrompter();
    const QList<QScreen *> list = orderedScreens();
    if (list.isEmpty())
        return;
    const int i = std::clamp(index, 0, int(list.size()) - 1);
    QWidget *active = QApplication::activeWindow();
    if (active && !qobject_cast<CMLiveWindow *>(active))
        m_returnTo = active;
    close();
    m_homeScreen = list[i]->name();
    open(list[i], i == 0);
    m_engine.setLive(true);
}

void CMPrompterWindow::close()
{
    const bool hadKeyboard = m_window && m_window->isActiveWindow();
    dismiss();
    m_homeScreen.clear();
    m_engine.setLive(false);
    // With no window manager nothing else would hand the keyboard back.
    if (hadKeyboard && m_returnTo && m_returnTo->isVisible())
        m_returnTo->activateWindow();
}

void CMPrompterWindow::open(QScreen *screen, bool hidePointer)
{
    dismiss();
    m_window = new CMLiveWindow(m_engine, screen, hidePointer);
    connect(m_window, &CMLiveWindow::closeRequested, this, &CMPrompterWindow::close);
    m_screen = screen;
    connect(screen, &QScreen::geometryChanged, this, &CMPrompterWindow::fitToScreen);
    m_window->present();
    m_engine.setViewportHeight(canvasHeight(screen->geometry().size()));
}

void CMPrompterWindow::dismiss()
{
    if (m_screen)
        disconnect(m_screen, nullptr, this, nullptr);
    m_screen = nullptr;
    if (CMLiveWindow *window = m_window) {
        m_window = nullptr;
        window->hide();
        // Closing may come from the window's own key press or button click: delete it once
        // that event has been delivered.
        window->deleteLater();
    }
}

void CMPrompterWindow::fitToScreen()
{
    if (!m_window || !m_screen)
        return;
    m_window->setGeometry(m_screen->geometry());
    m_engine.setViewportHeight(canvasHeight(m_screen->geometry().size()));
}

void CMPrompterWindow::screenRemoved(QScreen *screen)
{
    if (!m_window || screen != m_screen)
        return;
    QList<QScreen *> rest = orderedScreens();
    rest.removeAll(screen);
    if (rest.isEmpty()) {
        close();
        return;
    }
    open(rest.first(), false);
}

void CMPrompterWindow::screenAdded(QScreen *screen)
{
    if (!m_window || m_homeScreen.isEmpty() || screen->name() != m_homeScreen)
        return;
    if (m_screen && m_screen->name() == m_homeScreen)
        return;
    open(screen, false);
}
