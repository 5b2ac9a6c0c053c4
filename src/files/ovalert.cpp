#include "ovalert.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace OVAlert {

namespace {

Presenter &presenter()
{
    static Presenter instance;
    return instance;
}

void present(const QString &title, const QString &message)
{
    if (presenter()) {
        presenter()(title, message);
        return;
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), title,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setInformativeText(message);
    box.exec();
}

} // namespace

void show(const QString &title, const QString &message)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        present(title, message);
        return;
    }
    QMetaObject::invokeMethod(app, [title, message] { present(title, message); },
                              Qt::QueuedConnection);
}

void setPresenter(Presenter p)
{
    presenter() = std::move(p);
}

} // namespace OVAlert
