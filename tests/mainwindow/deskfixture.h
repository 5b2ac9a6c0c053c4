#pragma once

#include <testsupport.h>
#include <engine/cmengine.h>
#include <engine/cmfocus.h>
#include <kit/ovui.h>

#include <QApplication>
#include <QSettings>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

// A fresh engine over a 5000-point script, on a clock the test moves by hand, with stored
// settings and the interface reset and the keyboard following the engine's requests.
inline std::unique_ptr<CMEngine> handClockEngine(CMInstant &clock)
{
    cmtest::clearSettings();
    OVUI::shared()->restore();
    auto engine = std::make_unique<CMEngine>();
    clock = CMClock::now();
    engine->setTimeSource([&clock] { return clock; });
    engine->setContentHeight(5000);
    CMFocus::follow(*engine);
    return engine;
}

// The widgets one above the other in `window` (a null one: a stretch), shown and active.
inline bool showStacked(QWidget &window, QSize size, const QList<QWidget *> &widgets)
{
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *widget : widgets)
        widget ? layout->addWidget(widget) : layout->addStretch();
    window.resize(size);
    window.show();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}
