#pragma once

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// The Edit menu: Undo, Redo, Cut, Copy, Paste, Delete and Select All on the text field that
// has the keyboard, in whichever window. A command the field cannot do now (nothing to undo,
// nothing selected, a read-only field, nothing to paste) is greyed out, and with no text field
// focused all of them are.
class CMEditMenu : public QObject
{
    Q_OBJECT

public:
    enum class Command { Undo, Redo, Cut, Copy, Paste, Delete, SelectAll };

    explicit CMEditMenu(QMenuBar &bar);

    QMenu *menu() const { return m_menu; }
    QAction *action(Command command) const;

    // What the command would act on now: the focused line or text editor, else null.
    static QWidget *target();
    static bool canDo(Command command, QWidget *target);
    static void run(Command command, QWidget *target);

private:
    void refresh();
    void follow();

    QMenu *m_menu;
    QList<QAction *> m_actions; // in the order of Command
    QList<QMetaObject::Connection> m_connections;
};
