// kit-gallery: shows every piece of the control kit. With --out DIR it renders the gallery in
// each theme at zoom 1 and 1.5 into DIR/<theme>-<zoom>.png, without a display.
#include "gallery.h"

#include <kit/ovui.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPixmap>
#include <QTextStream>
#include <QWidget>

#include <cstring>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    bool offscreen = false;
    for (int i = 1; i < argc; ++i)
        offscreen = offscreen || std::strcmp(argv[i], "--out") == 0;
    if (offscreen && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Its own settings, so that trying themes here never changes the application's choice.
    QApplication::setOrganizationName(u"Orvelle Software"_s);
    QApplication::setApplicationName(u"Cuemaster Kit Gallery"_s);
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Every piece of the control kit, in every theme."_s);
    parser.addHelpOption();
    const QCommandLineOption out(u"out"_s, u"Write one PNG per theme and zoom into <dir>."_s,
                                 u"dir"_s);
    parser.addOption(out);
    parser.process(app);

    OVUI *ui = OVUI::shared();
    if (!parser.isSet(out)) {
        QWidget *gallery = makeGallery(true);
        gallery->show();
        return app.exec();
    }

    QDir dir(parser.value(out));
    if (!dir.mkpath(u"."_s)) {
        QTextStream(stderr) << "kit-gallery: cannot create " << dir.path() << Qt::endl;
        return 1;
    }
    const OVTheme before = ui->theme();
    const double zoomBefore = ui->zoom();
    int failures = 0;
    for (const double zoom : {1.0, 1.5}) {
        for (const OVTheme &theme : OVTheme::all()) {
            ui->setTheme(theme);
            ui->setZoom(zoom);
            QWidget *gallery = makeGallery(false);
            gallery->setAttribute(Qt::WA_DontShowOnScreen);
            gallery->show();
            gallery->adjustSize();
            QCoreApplication::processEvents();
            const QString file = dir.filePath(u"%1-%2.png"_s.arg(theme.id).arg(zoom));
            if (!gallery->grab().save(file)) {
                QTextStream(stderr) << "kit-gallery: cannot write " << file << Qt::endl;
                ++failures;
            } else {
                QTextStream(stdout) << file << Qt::endl;
            }
            delete gallery;
        }
    }
    ui->setTheme(before);
    ui->setZoom(zoomBefore);
    return failures ? 1 : 0;
}
