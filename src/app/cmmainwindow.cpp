#include "cmmainwindow.h"

#include "cmapp.h"

#include <kit/ovroot.h>

#include <QMenuBar>

using namespace Qt::StringLiterals;

CMMainWindow::CMMainWindow(CMEngine &engine, QWidget *content, const CMMenus::Hooks &hooks,
                           QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QString::fromLatin1(CMApp::displayName));
    setObjectName(u"main"_s);
    setCentralWidget(content);
    CMMenus::build(*menuBar(), engine, *this, hooks);
    ovsRoot(this);
    resize(1400, 900);
}
