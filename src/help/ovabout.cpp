#include "ovabout.h"

#include "ovwindows.h"

#include <kit/ovbadge.h>
#include <kit/ovfonts.h>
#include <kit/ovmaker.h>
#include <kit/ovroot.h>
#include <kit/ovtheme.h>
#include <kit/ovui.h>

#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

OVUI *ui()
{
    return OVUI::shared();
}

class AppIconView : public QWidget
{
public:
    AppIconView()
    {
        setAccessibleName(u"Application icon"_s);
        ui()->bind(this, [this] { setFixedSize(qRound(ui()->z(96)), qRound(ui()->z(96))); });
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        m_icon.paint(&p, rect());
    }

private:
    QIcon m_icon = OVAbout::appIcon();
};

QLabel *line(const QString &text, qreal size, QFont::Weight weight, OVDesign design, bool dim)
{
    auto *l = new QLabel(text);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignCenter);
    ovBindFont(l, size, weight, design);
    ui()->bind(l, [l, dim] {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, dim ? ui()->theme().dim : ui()->theme().text);
        l->setPalette(p);
    });
    return l;
}

struct State
{
    QPointer<QWidget> window;
    QPointer<OVAboutView> view;
};

State &state()
{
    static State s;
    return s;
}

// The panel keeps its size, unless the interface zoom makes its content larger than that.
void fit(QWidget *window)
{
    const QWidget *content = state().view;
    const QSize needed = content ? content->minimumSizeHint() : QSize();
    window->setFixedSize(OVAbout::size.expandedTo(needed));
}

QWidget *create()
{
    auto *w = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                       | Qt::WindowCloseButtonHint);
    w->setFixedSize(OVAbout::size);
    ovsRoot(w);
    OVWindows::keepUntilExit(w);
    OVWindows::addCloseKeys(w, true);
    OVWindows::centre(w);
    // After the view's own pieces have taken the new zoom.
    ui()->bind(w, [w] { QMetaObject::invokeMethod(w, [w] { fit(w); }, Qt::QueuedConnection); });
    return w;
}

} // namespace

OVAboutView::OVAboutView(const QString &appName, QWidget *parent)
    : QWidget(parent)
    , m_appName(appName)
    , m_name(line(appName, 20, QFont::ExtraBold, OVDesign::Rounded, false))
    , m_version(line(OVAbout::versionLine(), 11, QFont::Normal, OVDesign::Default, true))
    , m_notice(line(OVAbout::notice(), 10, QFont::Normal, OVDesign::Default, true))
{
    auto *column = new QVBoxLayout(this);
    column->addStretch();
    column->addWidget(new AppIconView, 0, Qt::AlignHCenter);
    column->addWidget(m_name, 0, Qt::AlignHCenter);
    column->addWidget(m_version, 0, Qt::AlignHCenter);
    column->addWidget(new OVSCredit, 0, Qt::AlignHCenter);
    column->addWidget(m_notice, 0, Qt::AlignHCenter);
    column->addStretch();
    ui()->bind(this, [column] {
        const int inset = qRound(ui()->z(24));
        column->setContentsMargins(inset, inset, inset, inset);
        column->setSpacing(qRound(ui()->z(12)));
    });
}

namespace OVAbout {

void show(const QString &appName)
{
    State &s = state();
    if (!s.window)
        s.window = create();
    s.window->setWindowTitle(u"About "_s + appName);
    auto *view = new OVAboutView(appName);
    OVWindows::setContent(s.window, view);
    s.view = view;
    fit(s.window);
    // The panel opens with nothing focused, not with the credit's link underlined.
    view->setFocusPolicy(Qt::ClickFocus);
    view->setFocus(Qt::OtherFocusReason);
    OVWindows::bringToFront(s.window);
}

QWidget *window()
{
    return state().window;
}

OVAboutView *view()
{
    return state().view;
}

QString versionLine(const std::optional<QString> &version, const std::optional<QString> &build)
{
    const auto given = [](const std::optional<QString> &s, const QString &otherwise) {
        return s && !s->trimmed().isEmpty() ? s->trimmed() : otherwise;
    };
    return u"Version "_s + given(version, u"1.0"_s) + u" (build "_s + given(build, u"-"_s)
        + u")"_s;
}

QString versionLine()
{
    // Both come from CMake; an empty build number reads as missing.
    return versionLine(QStringLiteral(CM_HELP_VERSION), QStringLiteral(CM_HELP_BUILD));
}

QString notice()
{
    return u"© "_s + OVSMaker::name() + u". All rights reserved."_s;
}

QIcon appIcon()
{
    QIcon icon;
    for (const int side : {64, 128, 256, 512})
        icon.addFile(u":/help/%1x%1/example.orvelle.Cuemaster.png"_s.arg(side), QSize(side, side));
    return icon;
}

} // namespace OVAbout
