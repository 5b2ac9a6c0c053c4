#include "cmscriptfiles.h"

#include "cmimport.h"
#include "cmimportjob.h"
#include "ovalert.h"
#include "ovfiledrop.h"

#include <engine/cmengine.h>
#include <store/cmatomicfile.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace CMScriptFiles {

namespace {

// The folder the panels open in: the last one used in this session, else Documents.
QString &lastFolder()
{
    static QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder;
}

} // namespace

QString importFailedTitle()
{
    return u"Can't import that script"_s;
}

QString saveFailedTitle()
{
    return u"Couldn't save"_s;
}

void importScript(CMEngine &engine, QWidget *parent)
{
    QFileDialog panel(parent, u"Choose a script (TXT, RTF, Word, OpenDocument, HTML or PDF)"_s,
                      lastFolder());
    panel.setAcceptMode(QFileDialog::AcceptOpen);
    panel.setFileMode(QFileDialog::ExistingFile);
    panel.setNameFilters(CMImport::nameFilters());
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return;
    const QString path = panel.selectedFiles().first();
    lastFolder() = QFileInfo(path).absolutePath();
    importFile(engine, path);
}

void importFile(CMEngine &engine, const QString &path, const QString &failureTitle,
                std::function<void(bool)> done)
{
    CMImportJob::of(engine)->start(path, failureTitle, std::move(done));
}

bool exportScript(const CMEngine &engine, QWidget *parent)
{
    QFileDialog panel(parent, u"Save Script"_s, QDir(lastFolder()).filePath(u"Script.txt"_s));
    panel.setAcceptMode(QFileDialog::AcceptSave);
    panel.setFileMode(QFileDialog::AnyFile);
    panel.setNameFilters({u"Plain text (*.txt)"_s});
    panel.setDefaultSuffix(u"txt"_s);
    if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
        return false;
    const QString path = panel.selectedFiles().first();
    lastFolder() = QFileInfo(path).absolutePath();
    return exportToFile(engine, path);
}

bool exportToFile(const CMEngine &engine, const QString &path)
{
    if (const auto error = writeScript(engine.script(), path)) {
        OVAlert::show(saveFailedTitle(), error->message());
        return false;
    }
    return true;
}

std::optional<OVError> writeScript(const QString &script, const QString &path)
{
    const std::optional<QString> reason = CMAtomicFile::write(path, script.toUtf8());
    if (!reason)
        return std::nullopt;
    QString because = reason->trimmed();
    if (!because.endsWith(u'.'))
        because += u'.';
    const QFileInfo info(path);
    return OVError(u"The file \u201C%1\u201D couldn't be saved in the folder \u201C%2\u201D. %3"_s
                       .arg(info.fileName(), info.absoluteDir().dirName(), because));
}

QSet<QString> editorExtensions()
{
    return {u"txt"_s, u"rtf"_s,  u"docx"_s, u"doc"_s,   u"md"_s,  u"text"_s,
            u"odt"_s, u"fodt"_s, u"html"_s, u"htm"_s, u"xhtml"_s, u"pdf"_s};
}

OVFileDrop *attachScriptDrop(QWidget *editor, CMEngine &engine)
{
    return OVFileDrop::attach(editor, editorExtensions(), [&engine](const QList<QUrl> &files) {
        if (!files.isEmpty())
            importFile(engine, files.first().toLocalFile());
    });
}

} // namespace CMScriptFiles
