#include "cmsavenotice.h"

#include "cmlayout.h"

#include <engine/cmengine.h>
#include <files/cmscriptfiles.h>
#include <kit/ovfonts.h>
#include <kit/ovui.h>
#include <store/cmsettingsfile.h>

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

QString folderOf(const QString &file)
{
    return QDir::toNativeSeparators(QFileInfo(file).absolutePath());
}

QString sentence(QString reason)
{
    reason = reason.trimmed();
    if (!reason.isEmpty() && !reason.endsWith(u'.'))
        reason += u'.';
    return reason;
}

} // namespace

CMSaveNotice::CMSaveNotice(CMEngine &engine, QWidget *parent)
    : QLabel(parent)
    , m_engine(engine)
    , m_startNotice(engine.startNotice())
{
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    ovBindFont(this, 10.5, QFont::Medium, OVDesign::Rounded);
    OVUI::shared()->bind(this, [this] {
        QPalette p = palette();
        p.setColor(QPalette::WindowText, CMColors::orange());
        setPalette(p);
    });
    connect(&engine, &CMEngine::saveStatusChanged, this, &CMSaveNotice::refresh);
    connect(&CMSettingsFile::shared(), &CMSettingsFile::statusChanged, this,
            &CMSaveNotice::refresh);
    refresh();
}

QString CMSaveNotice::scriptFailure(const QString &reason, const QString &folder)
{
    return u"Couldn't save the script \u2014 %1 Folder: \u201C%2\u201D."_s.arg(sentence(reason),
                                                                             folder);
}

QString CMSaveNotice::settingsFailure(const QString &reason, const QString &folder)
{
    return u"Couldn't save the settings \u2014 %1 Folder: \u201C%2\u201D."_s.arg(
        sentence(reason), folder);
}

void CMSaveNotice::refresh()
{
    QStringList lines;
    if (!m_engine.saveError().isEmpty()) {
        lines << scriptFailure(m_engine.saveError(), folderOf(CMEngine::scriptPath()))
                + u" Your text is kept here and saving is tried again."_s;
    }
    const CMSettingsFile &settings = CMSettingsFile::shared();
    if (settings.failing())
        lines << settingsFailure(settings.lastError(), folderOf(CMSettingsFile::path()));
    if (!m_startNotice.isEmpty())
        lines << m_startNotice;
    setText(lines.join(u'\n'));
    setToolTip(m_startNotice.isEmpty() ? QString() : u"Click to dismiss"_s);
    setVisible(!lines.isEmpty());
}

void CMSaveNotice::mousePressEvent(QMouseEvent *event)
{
    if (!m_startNotice.isEmpty()) {
        m_startNotice.clear();
        refresh();
    }
    QLabel::mousePressEvent(event);
}

namespace CMSaveGuard {

bool mayQuit(CMEngine &engine, QWidget *parent)
{
    while (!engine.flushPendingSave() && engine.scriptUnsaved()) {
        QMessageBox box(QMessageBox::Warning, u"Couldn't save the script"_s,
                        CMSaveNotice::scriptFailure(engine.saveError(),
                                                    folderOf(CMEngine::scriptPath())),
                        QMessageBox::NoButton, parent);
        box.setInformativeText(u"Save it somewhere else before quitting?"_s);
        QPushButton *saveAs = box.addButton(u"Save As\u2026"_s, QMessageBox::AcceptRole);
        QPushButton *quit = box.addButton(u"Quit Anyway"_s, QMessageBox::DestructiveRole);
        box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(saveAs);
        box.exec();
        if (box.clickedButton() == quit)
            return true;
        if (box.clickedButton() != saveAs)
            return false;
        if (CMScriptFiles::exportScript(engine, parent))
            return true;
    }
    return true;
}

} // namespace CMSaveGuard
