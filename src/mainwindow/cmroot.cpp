#include "cmroot.h"

#include "cmmain.h"

#include <engine/cmengine.h>
#include <engine/ovkeys.h>
#include <prompter/cmprompterwindow.h>

#include <QKeyEvent>
#include <QPointer>
#include <QVBoxLayout>

namespace {

// The root whose key monitor is installed: a root going away removes only its own.
QPointer<CMRoot> &monitorOwner()
{
    static QPointer<CMRoot> owner;
    return owner;
}

} // namespace

CMRoot::CMRoot(QWidget *parent)
    : CMRoot(CMEngine::shared(), CMPrompterWindow::shared(), parent)
{
}

CMRoot::CMRoot(CMEngine &engine, CMPrompterWindow &live, QWidget *parent)
    : QWidget(parent)
    , m_engine(engine)
    , m_main(new CMMain(engine, live))
{
    setMinimumSize(minimumWidth, minimumHeight);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_main);
}

void CMRoot::fitMinimumTo(const QSize &room)
{
    setMinimumSize(QSize(minimumWidth, minimumHeight).boundedTo(room).expandedTo(QSize(0, 0)));
}

CMRoot::~CMRoot()
{
    if (monitorOwner() == this)
        OVKeys::remove();
}

void CMRoot::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    OVKeys::install([engine = &m_engine](const QKeyEvent &key) {
        return engine->handle(key.key(), key.text());
    });
    monitorOwner() = this;
}
