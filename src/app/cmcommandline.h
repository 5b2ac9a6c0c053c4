#pragma once

#include <QStringList>

#include <optional>

// What the command line asks for: script files to open (absolute paths), or an answer on the
// terminal (--help, --version, a usage error) and an exit status. Qt's own options (-platform,
// -style, -display…) are Qt's: they are left out here and QApplication reads them.
struct CMCommandLine
{
    QStringList files;
    std::optional<int> exitCode; // set: print `output` and exit
    QString output;

    static CMCommandLine parse(const QStringList &arguments);
    static QString versionText(); // "OVS Cuemaster 1.0 (build 1)"

    // The arguments without Qt's options and their values, as QApplication would leave them.
    static QStringList withoutQtOptions(const QStringList &arguments);
};
