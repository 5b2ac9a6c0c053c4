#include "cmeditmenu.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

using namespace Qt::StringLiterals;

namespace {

using Command = CMEditMenu::Command;

struct Item
{
    Command command;
    QString title;
    QKeySequence::StandardKey key;
};

const QList<Item> &items()
{
    static const QList<Item> list{
        {Command::Undo, u"Undo"_s, QKeySequence::Undo},
        {Command::Redo, u"Redo"_s, QKeySequence::Redo},
        {Command::Cut, u"Cut"_s, QKeySequence::Cut},
        {Command::Copy, u"Copy"_s, QKeySequence::Copy},
        {Command::Paste, u"Paste"_s, QKeySequence::Paste},
        {Command::Delete, u"Delete"_s, QKeySequence::Delete},
        {Command::SelectAll, u"Select All"_s, QKeySequence::SelectAll},
    };
    return list;
}

// Asking the clipboard may mean a round trip to the program that owns it: ask when it
// changes, never on a key.
bool clipboardHasText()
{
    static const auto read = [] {
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        return data && data->hasText();
    };
    static bool hasText = [] {
        QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, qApp,
                         [] { hasText = read(); });
        return read();
    }();
    return hasText;
}

bool canDoLine(Command c, const QLineEdit &e)
{
    const bool editable = !e.isReadOnly();
    // A password's characters never leave the field.
    const bool visible = e.echoMode() == QLineEdit::Normal;
    switch (c) {
    case Command::Undo:
        return editable && e.isUndoAvailable();
    case Command::Redo:
        return editable && e.isRedoAvailable();
    case Command::Cut:
        return editable && visible && e.hasSelectedText();
    case Command::Copy:
        return visible && e.hasSelectedText();
    case Command::Paste:
        return editable && clipboardHasText();
    case Command::Delete:
        return editable && e.hasSelectedText();
    case Command::SelectAll:
        return !e.text().isEmpty();
    }
    return false;
}

void deleteSelection(QLineEdit &e)
{
    e.del();
}

// QPlainTextEdit and QTextEdit share these members without sharing a base that has them.
template<typename Edit> bool canDoText(Command c, const Edit &e)
{
    const bool editable = !e.isReadOnly();
    const QTextDocument *doc = e.document();
    const bool selected = e.textCursor().hasSelection();
    switch (c) {
    case Command::Undo:
        return editable && e.isUndoRedoEnabled() && doc->isUndoAvailable();
    case Command::Redo:
        return editable && e.isUndoRedoEnabled() && doc->isRedoAvailable();
    case Command::Cut:
        return editable && selected;
    case Command::Copy:
        return selected;
    case Command::Paste:
        return editable && clipboardHasText();
    case Command::Delete:
        return editable && selected;
    case Command::SelectAll:
        return !doc->isEmpty();
    }
    return false;
}

template<typename Edit> void deleteSelection(Edit &e)
{
    QTextCursor cursor = e.textCursor();
    cursor.removeSelectedText();
    e.setTextCursor(cursor);
}

template<typename Edit> void runEdit(Command c, Edit &e)
{
    switch (c) {
    case Command::Undo:
        e.undo();
        break;
    case Command::Redo:
        e.redo();
        break;
    case Command::Cut:
        e.cut();
        break;
    case Command::Copy:
        e.copy();
        break;
    case Command::Paste:
        e.paste();
        break;
    case Command::Delete:
        deleteSelection(e);
        break;
    case Command::SelectAll:
        e.selectAll();
        break;
    }
}

} // namespace

CMEditMenu::CMEditMenu(QMenuBar &bar) : QObject(&bar), m_menu(bar.addMenu(u"&Edit"_s))
{
    for (const Item &item : items()) {
        QAction *a = m_menu->addAction(item.title);
        a->setShortcuts(item.key);
        // From every window; a focused field takes its own keys first, so these answer only
        // where the field would not (a read-only one, say).
        a->setShortcutContext(Qt::ApplicationShortcut);
        connect(a, &QAction::triggered, this, [this, c = item.command] {
            if (QWidget *t = target(); t && canDo(c, t))
                run(c, t);
            refresh();
        });
        m_actions.append(a);
        if (item.command == Command::Redo || item.command == Command::Delete)
            m_menu->addSeparator();
    }
    connect(qApp, &QApplication::focusChanged, this, [this] {
        follow();
        refresh();
    });
    // The clipboard's own watch first, so the refresh sees what it now holds.
    clipboardHasText();
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CMEditMenu::refresh);
    connect(m_menu, &QMenu::aboutToShow, this, &CMEditMenu::refresh);
    follow();
    refresh();
}

QAction *CMEditMenu::action(Command command) const
{
    return m_actions.value(int(command));
}

QWidget *CMEditMenu::target()
{
    QWidget *focus = QApplication::focusWidget();
    if (auto *combo = qobject_cast<QComboBox *>(focus))
        return combo->lineEdit();
    if (qobject_cast<QLineEdit *>(focus) || qobject_cast<QPlainTextEdit *>(focus) ||
        qobject_cast<QTextEdit *>(focus))
        return focus;
    return nullptr;
}

bool CMEditMenu::canDo(Command command, QWidget *target)
{
    if (auto *line = qobject_cast<QLineEdit *>(target))
        return canDoLine(command, *line);
    if (auto *plain = qobject_cast<QPlainTextEdit *>(target))
        return canDoText(command, *plain);
    if (auto *rich = qobject_cast<QTextEdit *>(target))
        return canDoText(command, *rich);
    return false;
}

void CMEditMenu::run(Command command, QWidget *target)
{
    if (auto *line = qobject_cast<QLineEdit *>(target))
        runEdit(command, *line);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(target))
        runEdit(command, *plain);
    else if (auto *rich = qobject_cast<QTextEdit *>(target))
        runEdit(command, *rich);
}

void CMEditMenu::refresh()
{
    QWidget *t = target();
    for (const Item &item : items())
        action(item.command)->setEnabled(t && canDo(item.command, t));
}

// The greying follows the field as it changes, not only when the menu opens: a disabled
// command's key is not taken, so it must be enabled the moment it becomes possible.
void CMEditMenu::follow()
{
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    QWidget *t = target();
    if (!t)
        return;
    const auto watch = [this](auto *sender, auto signal) {
        m_connections << connect(sender, signal, this, &CMEditMenu::refresh);
    };
    if (auto *line = qobject_cast<QLineEdit *>(t)) {
        watch(line, &QLineEdit::textChanged);
        watch(line, &QLineEdit::selectionChanged);
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(t)) {
        watch(plain, &QPlainTextEdit::undoAvailable);
        watch(plain, &QPlainTextEdit::redoAvailable);
        watch(plain, &QPlainTextEdit::selectionChanged);
        watch(plain, &QPlainTextEdit::textChanged);
    } else if (auto *rich = qobject_cast<QTextEdit *>(t)) {
        watch(rich, &QTextEdit::undoAvailable);
        watch(rich, &QTextEdit::redoAvailable);
        watch(rich, &QTextEdit::selectionChanged);
        watch(rich, &QTextEdit::textChanged);
    }
}
