#include "ovhelpshots.h"

#include "ovabout.h"
#include "ovhelpview.h"
#include "ovhelpwindow.h"

#include <QCoreApplication>
#include <QWidget>

namespace {

QImage grab(QWidget *window)
{
    // Layouts settle over a few passes (wrapped text asks for its height after its width).
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    return window ? window->grab().toImage() : QImage();
}

} // namespace

namespace OVHelpShots {

QImage helpWindow(const std::optional<QString> &page, const QString &search)
{
    OVHelpWindow::show(page);
    if (!search.isEmpty())
        OVHelpWindow::view()->setSearch(search);
    return grab(OVHelpWindow::window());
}

QImage aboutPanel(const QString &appName)
{
    OVAbout::show(appName);
    return grab(OVAbout::window());
}

} // namespace OVHelpShots
