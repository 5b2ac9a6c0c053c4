#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// Makes any widget a drop target for files: a dashed outline over it while a file drag hovers
// (never taking input from the widget beneath), the dropped files filtered by lower-cased
// extension, and an alert when none of them is of a supported type. Drags without files pass
// through to the widget untouched.
class OVFileDrop : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hovering READ hovering NOTIFY hoveringChanged)

public:
    using Action = std::function<void(const QList<QUrl> &accepted)>;

    // `exts`: accepted extensions, lower case without the dot; empty accepts every file.
    // The drop target lives as long as the widget.
    static OVFileDrop *attach(QWidget *target, QSet<QString> exts, Action onDrop);

    bool hovering() const { return m_hovering; }
    const QSet<QString> &exts() const { return m_exts; }

    // One drop's file URLs after the platform has been told it succeeded: hands the accepted
    // ones to the action, or shows the unsupported-type alert; nothing without any file.
    void deliver(const QList<QUrl> &files);

    static QList<QUrl> accepted(const QList<QUrl> &files, const QSet<QString> &exts);
    static QString unsupportedTitle();
    // "Supported: " and the extensions, sorted, joined with ", ".
    static QString supportedMessage(const QSet<QString> &exts);

Q_SIGNALS:
    void hoveringChanged(bool hovering);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    OVFileDrop(QWidget *target, QSet<QString> exts, Action onDrop);
    void setHovering(bool hovering);

    QWidget *m_target;
    QWidget *m_outline;
    QSet<QString> m_exts;
    Action m_onDrop;
    bool m_hovering = false;
};
