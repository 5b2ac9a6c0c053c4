#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class CMEngine;
class QWidget;

// Finishes the start-up and opens the files the desktop hands over: on the command line, by
// a file-open event, or from a second launch of the application.
class CMDelegate : public QObject
{
    Q_OBJECT

public:
    explicit CMDelegate(CMEngine &engine, QObject *parent = nullptr);

    // The window brought forward when a file arrives.
    void setMainWindow(QWidget *window);

    // Only the first file is used; it is read on the event loop, and a failure shows
    // "Can't open that script" and leaves the script as it was.
    void openFiles(const QStringList &paths);
    // A later launch of the application asked for attention (and maybe files).
    void activate(const QStringList &paths);

    static QString openFailedTitle(); // "Can't open that script"

Q_SIGNALS:
    // A file was read (or refused); tests wait on it.
    void fileHandled(const QString &path, bool opened);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    CMEngine &m_engine;
    QPointer<QWidget> m_window;
};
