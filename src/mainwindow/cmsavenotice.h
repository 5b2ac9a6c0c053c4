#pragma once

#include <QLabel>

class CMEngine;

// A quiet line under the script editor that says when the script or the settings can't be
// saved (why, and in which folder) and disappears when a save succeeds again; after a start
// that had to set a saved file aside, it says where the old file went until clicked.
class CMSaveNotice : public QLabel
{
    Q_OBJECT

public:
    explicit CMSaveNotice(CMEngine &engine, QWidget *parent = nullptr);

    // "Couldn't save the script — REASON. Folder: “FOLDER”." and its settings twin.
    static QString scriptFailure(const QString &reason, const QString &folder);
    static QString settingsFailure(const QString &reason, const QString &folder);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void refresh();

    CMEngine &m_engine;
    QString m_startNotice;
};

// The quit path's question: writes what is pending and, when the script still can't be
// saved, asks whether to save it elsewhere first. True when quitting may go on.
namespace CMSaveGuard {
bool mayQuit(CMEngine &engine, QWidget *parent);
}
