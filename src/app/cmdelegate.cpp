#include "cmdelegate.h"

#include <files/cmscriptfiles.h>

#include <QCoreApplication>
#include <QFileOpenEvent>
#include <QTimer>
#include <QWidget>

using namespace Qt::StringLiterals;

CMDelegate::CMDelegate(CMEngine &engine, QObject *parent) : QObject(parent), m_engine(engine)
{
    if (auto *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

void CMDelegate::setMainWindow(QWidget *window)
{
    m_window = window;
}

QString CMDelegate::openFailedTitle()
{
    return u"Can't open that script"_s;
}

void CMDelegate::openFiles(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    const QString path = paths.first();
    QTimer::singleShot(0, this, [this, path] {
        CMScriptFiles::importFile(m_engine, path, openFailedTitle(),
                                  [self = QPointer(this), path](bool opened) {
                                      if (self)
                                          Q_EMIT self->fileHandled(path, opened);
                                  });
    });
}

void CMDelegate::activate(const QStringList &paths)
{
    if (m_window) {
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }
    openFiles(paths);
}

bool CMDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FileOpen && watched == QCoreApplication::instance()) {
        const auto *open = static_cast<QFileOpenEvent *>(event);
        openFiles({open->file()});
        return true;
    }
    return QObject::eventFilter(watched, event);
}
