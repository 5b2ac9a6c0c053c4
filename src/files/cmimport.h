#pragma once

#include "overror.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class CMReadProgress;

// Reading a script file of any supported kind into normalised plain script text.
namespace CMImport {

// Larger files are refused before they are read.
constexpr qint64 maxFileBytes = 256LL * 1024 * 1024;
constexpr qint64 maxPlainTextBytes = 64LL * 1024 * 1024;

struct Result
{
    std::optional<QString> text;
    std::optional<OVError> error;
    bool cancelled = false; // the user gave up; there is nothing to tell them

    explicit operator bool() const { return text.has_value(); }
};

// The normalised script text of the file at `path`, or the message for the user. The reader
// follows what the file holds when that is plain to see (a ZIP package, a compound file, PDF,
// RTF, HTML, flat OpenDocument), else the lower-cased extension: docx, doc, odt, fodt, rtf,
// rtfd (a package folder), html, htm, xhtml and pdf have their own; every other file is plain
// text. Never throws; never changes anything. With `progress`, it reports how far it got and
// stops when cancelled.
Result read(const QString &path, CMReadProgress *progress = nullptr);

// The same for bytes already in memory that came from a file called `fileName` (not RTFD).
Result readBytes(const QString &fileName, const QByteArray &bytes);

// Line ends to line feeds, no-break spaces to spaces, byte-order marks removed.
QString normalise(QString text);

// Name filters for the open panel: scripts of every supported kind, then each kind alone.
QStringList nameFilters();

// The user's messages, each about the file `fileName`.
QString couldNotReadMessage(const QString &fileName);
QString notTextMessage(const QString &fileName);
QString noTextMessage(const QString &fileName);
QString couldNotOpenMessage(const QString &fileName, const QString &reason);

} // namespace CMImport
