// help-shots: renders the Help window (first page, "keys", a search for "mirror") and the
// About panel in each theme at zoom 1 and 1.5 into DIR/<window>-<theme>-<zoom>.png, without a
// display. --theme and --zoom narrow the set; --page adds the Help window at more pages.
// With --show it opens both windows on the desktop instead (at the first --page).
#include <help/cmhelp.h>
#include <help/ovabout.h>
#include <help/ovcommonhelp.h>
#include <help/ovhelpshots.h>
#include <help/ovhelpwindow.h>
#include <kit/ovui.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

#include <cstring>
#include <optional>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    bool show = false;
    for (int i = 1; i < argc; ++i)
        show = show || std::strcmp(argv[i], "--show") == 0;
    if (!show && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Its own settings, so that the themes tried here never change the application's choice.
    QApplication::setOrganizationName(u"Orvelle Software"_s);
    QApplication::setApplicationName(u"Cuemaster Help Shots"_s);
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Pictures of the Help window and the About panel."_s);
    parser.addHelpOption();
    const QCommandLineOption out(u"out"_s, u"Write the PNGs into <dir>."_s, u"dir"_s, u"."_s);
    const QCommandLineOption themeOption(u"theme"_s, u"Only this theme id."_s, u"id"_s);
    const QCommandLineOption zoomOption(u"zoom"_s, u"Only this zoom."_s, u"zoom"_s);
    const QCommandLineOption pageOption(u"page"_s, u"Also the Help window at this page."_s,
                                        u"id"_s);
    const QCommandLineOption showOption(u"show"_s, u"Open the windows on the desktop."_s);
    parser.addOptions({out, themeOption, zoomOption, pageOption, showOption});
    parser.process(app);

    const QString appName = u"OVS Cuemaster"_s;
    OVHelpWindow::setAppName(appName);
    OVHelpWindow::setPages(CMHelp::pages() + OVCommonHelp::pages(appName));

    OVUI *ui = OVUI::shared();
    if (show) {
        if (parser.isSet(themeOption))
            ui->setThemeId(parser.value(themeOption));
        if (parser.isSet(zoomOption))
            ui->setZoom(parser.value(zoomOption).toDouble());
        OVAbout::show(appName);
        const QStringList pages = parser.values(pageOption);
        OVHelpWindow::show(pages.isEmpty() ? std::nullopt : std::optional<QString>(pages.first()));
        return app.exec();
    }

    QDir dir(parser.value(out));
    if (!dir.mkpath(u"."_s)) {
        QTextStream(stderr) << "help-shots: cannot create " << dir.path() << Qt::endl;
        return 1;
    }
    QList<double> zooms{1.0, 1.5};
    if (parser.isSet(zoomOption))
        zooms = {parser.value(zoomOption).toDouble()};

    const OVTheme themeBefore = ui->theme();
    const double zoomBefore = ui->zoom();
    int failures = 0;
    const auto save = [&](const QImage &image, const QString &name) {
        const QString file = dir.filePath(name + u".png"_s);
        if (image.isNull() || !image.save(file)) {
            QTextStream(stderr) << "help-shots: cannot write " << file << Qt::endl;
            ++failures;
        } else {
            QTextStream(stdout) << file << Qt::endl;
        }
    };
    const struct
    {
        const char16_t *name;
        std::optional<QString> page;
        const char16_t *search;
    } shots[] = {{u"help-first", std::nullopt, u""},
                 {u"help-keys", u"keys"_s, u""},
                 {u"help-mirror", std::nullopt, u"mirror"}};
    for (const double zoom : zooms) {
        for (const OVTheme &theme : OVTheme::all()) {
            if (parser.isSet(themeOption) && theme.id != parser.value(themeOption))
                continue;
            ui->setTheme(theme);
            ui->setZoom(zoom);
            const QString suffix = u"-%1-%2"_s.arg(theme.id).arg(zoom);
            for (const auto &shot : shots) {
                save(OVHelpShots::helpWindow(shot.page, QString::fromUtf16(shot.search)),
                     QString::fromUtf16(shot.name) + suffix);
            }
            for (const QString &page : parser.values(pageOption))
                save(OVHelpShots::helpWindow(page), u"help-"_s + page + suffix);
            save(OVHelpShots::aboutPanel(appName), u"about"_s + suffix);
        }
    }
    ui->setTheme(themeBefore);
    ui->setZoom(zoomBefore);
    return failures ? 1 : 0;
}
