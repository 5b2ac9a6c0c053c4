#include "cmscriptstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace CMScriptStore {

QString path()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    const QString folder = data + u"/Orvelle Software/Cuemaster"_s;
    QDir().mkpath(folder);
    return folder + u"/current-script.txt"_s;
}

Loaded load(const QString &path)
{
    Loaded result;
    if (path.isEmpty())
        return result;
    QFile file(path);
    result.existed = file.exists();
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return result;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return result;
    result.text = std::move(text);
    return result;
}

bool save(const QString &path, const QString &text)
{
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void keepAside(const QString &path)
{
    const QString aside = path + u".unreadable"_s;
    QFile::remove(aside);
    QFile::rename(path, aside);
}

} // namespace CMScriptStore
