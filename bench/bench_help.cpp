#include "bench.h"

#include <help/cmhelp.h>
#include <help/ovcommonhelp.h>
#include <help/ovhelpview.h>
#include <help/ovhelpwindow.h>
#include <kit/ovui.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void setUpHelp()
{
    const QString app = u"OVS Cuemaster"_s;
    OVHelpWindow::setAppName(app);
    OVHelpWindow::setPages(CMHelp::pages() + OVCommonHelp::pages(app));
}

// Until layouts have settled and the old content is gone.
void settle()
{
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

CM_BENCH("help_open", [](const cmbench::Report &report) {
    setUpHelp();
    OVHelpWindow::show();
    settle();
    // What the Help menu costs: a fresh view at the page, laid out and drawn.
    const double ms = cmbench::medianMs(21, [] {
        OVHelpWindow::show(u"keys"_s);
        settle();
        (void)OVHelpWindow::window()->grab();
    });
    report(u"help_open_keys"_s, ms, u"ms"_s);
});

CM_BENCH("help_search", [](const cmbench::Report &report) {
    setUpHelp();
    OVHelpWindow::show(u"keys"_s);
    settle();
    QLineEdit *field = OVHelpWindow::view()->searchField();
    int i = 0;
    // One key typed into the search field, the list filtered and the window redrawn.
    const double ms = cmbench::medianMs(41, [&] {
        if (i++ % 7 == 6)
            field->clear();
        else
            QTest::keyClick(field, char('m' + i % 7));
        settle();
        (void)OVHelpWindow::window()->grab();
    });
    report(u"help_search_key"_s, ms, u"ms"_s);
});

CM_BENCH("help_zoom", [](const cmbench::Report &report) {
    setUpHelp();
    OVHelpWindow::show(u"deck"_s);
    settle();
    OVUI *ui = OVUI::shared();
    const double before = ui->zoom();
    int i = 0;
    // A zoom step rebuilds the page at the new size.
    const double ms = cmbench::medianMs(13, [&] {
        ui->setZoom(++i % 2 ? 1.5 : 1.0);
        settle();
        (void)OVHelpWindow::window()->grab();
    });
    ui->setZoom(before);
    report(u"help_zoom_step"_s, ms, u"ms"_s);
});
