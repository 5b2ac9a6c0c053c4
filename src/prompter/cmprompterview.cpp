#include "cmprompterview.h"

#include <engine/cmengine.h>

#include <QPainter>

// Placeholder picture until the prompter renderer lands: the background only.
CMPrompterView::CMPrompterView(CMEngine &engine, bool preview, QWidget *parent)
    : QWidget(parent), m_engine(engine), m_preview(preview)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CMPrompterView::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), Qt::black);
}
