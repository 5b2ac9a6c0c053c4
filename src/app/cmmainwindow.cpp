#include "cmmainwindow.h"

#include "cmapp.h"

#include <kit/ovroot.h>
#include <mainwindow/cmsavenotice.h>

#include <QCloseEvent>

#include <QMenuBar>

using namespace Qt::StringLiterals;

CMMainWindow::CMMainWindow(CMEngine &engine, QWidget *content, const CMMenus::Hooks &hooks,
                           QWidget *parent)
    : QMainWindow(parent)
    , m_engine(engine)
{
    setWindowTitle(QString::fromLatin1(CMApp::displayName));
    setObjectName(u"main"_s);
    setCentralWidget(content);
    CMMenus::build(*menuBar(), engine, *this, hooks);
    ovsRoot(this);
    resize(1400, 900);
}

void CMMainWindow::closeEvent(QCloseEvent *event)
{
    if (!CMSaveGuard::mayQuit(m_engine, this)) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
