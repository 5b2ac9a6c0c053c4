#include <files/cmimport.h>

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace Qt::StringLiterals;

// Imports each file as the application would and prints the script text exactly (UTF-8), or
// the message the user would see. For the conformance run, fuzz reproduction and anyone
// checking a document.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList files = app.arguments().mid(1);
    if (files.isEmpty() || files.first() == u"--help" || files.first() == u"-h") {
        std::fputs("usage: cm-import FILE...\n"
                   "Prints the script text of each file, or its error message (exit status 1).\n",
                   files.isEmpty() ? stderr : stdout);
        return files.isEmpty() ? 2 : 0;
    }
    int status = 0;
    for (const QString &file : files) {
        const CMImport::Result result = CMImport::read(file);
        if (result) {
            const QByteArray bytes = result.text->toUtf8();
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        } else {
            const QByteArray message = result.error->message().toUtf8();
            std::fprintf(stderr, "%s\n", message.constData());
            status = 1;
        }
    }
    return status;
}
