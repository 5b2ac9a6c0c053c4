#pragma once

#include <kit/ovsurfaces.h>

class CMEngine;
class CMSaveNotice;
class CMScriptEditor;
class OVChromeButton;
class OVFileDrop;
class QLabel;
class QMenu;

// The left-hand panel of the main window: the tool row (Import, Save TXT and the "…" menu),
// the script editor in its well, which takes dropped files, and the tip below it.
class CMScriptDesk : public OVPanel
{
    Q_OBJECT

public:
    explicit CMScriptDesk(CMEngine &engine, QWidget *parent = nullptr);

    CMScriptEditor *editor() const { return m_editor; }
    OVFileDrop *fileDrop() const { return m_drop; }
    QMenu *moreMenu() const { return m_menu; }
    OVChromeButton *importButton() const { return m_import; }
    OVChromeButton *saveButton() const { return m_save; }
    // The line that shows a running import in place of the tip.
    QWidget *importProgress() const { return m_importRow; }
    OVChromeButton *cancelImportButton() const { return m_cancelImport; }
    CMSaveNotice *saveNotice() const { return m_notice; }

    // The menu's commands. The first appends a cue line and leaves the run alone; the other
    // two replace the script and reset to the top. All stay undoable in the editor.
    void insertCueLine();
    void clearScript();
    void restoreSampleScript();

private:
    QWidget *toolRow();
    QWidget *importRow();
    void showImportProgress(int permille);

    CMEngine &m_engine;
    CMScriptEditor *m_editor;
    OVFileDrop *m_drop;
    QMenu *m_menu = nullptr;
    OVChromeButton *m_import = nullptr;
    OVChromeButton *m_save = nullptr;
    QLabel *m_tip = nullptr;
    QWidget *m_importRow = nullptr;
    QLabel *m_importStatus = nullptr;
    OVChromeButton *m_cancelImport = nullptr;
    CMSaveNotice *m_notice = nullptr;
};
