#include "cmoutputpicker.h"

#include "cmlayout.h"

#include <kit/ovfonts.h>
#include <kit/ovroot.h>
#include <kit/ovui.h>

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

const std::pair<CMPicture, const char16_t *> pictures[] = {
    {CMPicture::AsDeck, u"Like the deck"},
    {CMPicture::Normal, u"Normal"},
    {CMPicture::Mirror, u"Mirror"},
    {CMPicture::Flip, u"Flip"},
    {CMPicture::MirrorFlip, u"Mirror and flip"},
};

const std::pair<CMCorner, const char16_t *> corners[] = {
    {CMCorner::TopLeft, u"Top left"},
    {CMCorner::TopRight, u"Top right"},
    {CMCorner::BottomLeft, u"Bottom left"},
    {CMCorner::BottomRight, u"Bottom right"},
};

// The display's name as its label gives it, without " (main) — 1920×1080".
QString shortName(const CMPrompterWindow::Display &display)
{
    QString name = display.label.section(u" \u2014 "_s, 0, 0);
    name.remove(u" (main)"_s);
    return name;
}

} // namespace

CMOutputPicker::CMOutputPicker(CMOutputs &outputs, QWidget *parent)
    : QComboBox(parent), m_outputs(outputs)
{
    setToolTip(u"The displays Go Live uses, and what each one shows"_s);
    connect(&m_outputs, &CMOutputs::changed, this, &CMOutputPicker::refresh);
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    connect(app, &QGuiApplication::screenAdded, this, &CMOutputPicker::refresh);
    connect(app, &QGuiApplication::screenRemoved, this, &CMOutputPicker::refresh);
    connect(app, &QGuiApplication::primaryScreenChanged, this, &CMOutputPicker::refresh);
    refresh();
}

QStringList CMOutputPicker::checked() const
{
    return m_outputs.checked(CMPrompterWindow::screenNames());
}

QString CMOutputPicker::summary(const QList<CMPrompterWindow::Display> &displays,
                                const QStringList &checked)
{
    QStringList names;
    QString only;
    for (const CMPrompterWindow::Display &display : displays) {
        if (checked.contains(display.name)) {
            names.append(shortName(display));
            only = display.label;
        }
    }
    return names.size() == 1 ? only : names.join(u" + "_s);
}

void CMOutputPicker::refresh()
{
    const QString text = summary(CMPrompterWindow::screens(), checked());
    if (count() != 1) {
        clear();
        addItem(text);
    }
    setItemText(0, text);
    setCurrentIndex(0);
    if (m_panel && m_panel->isVisible()) {
        // Rebuilt only for another set of displays: a check box must not vanish under a click.
        const int rows = m_panel->property("rows").toInt();
        if (rows != int(CMPrompterWindow::screens().size()))
            showPopup();
    }
}

void CMOutputPicker::showPopup()
{
    if (m_panel)
        m_panel->deleteLater();
    m_panel = buildPanel();
    m_panel->adjustSize();
    const QSize size = m_panel->sizeHint();
    const QRect room = screen() ? screen()->availableGeometry() : QRect();
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (!room.isEmpty()) {
        if (at.y() + size.height() > room.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - size.height());
        at.setX(
            std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - size.width())));
        at.setY(std::max(at.y(), room.top()));
    }
    m_panel->move(at);
    m_panel->show();
}

void CMOutputPicker::hidePopup()
{
    if (m_panel)
        m_panel->hide();
    QComboBox::hidePopup();
}

QFrame *CMOutputPicker::buildPanel()
{
    auto *panel = new QFrame(this, Qt::Popup);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    OVUI::shared()->bind(panel, [panel] {
        QPalette p = ovPalette(OVUI::shared()->theme());
        p.setColor(QPalette::Window, OVUI::shared()->theme().panel);
        panel->setPalette(p);
    });
    ovBindFont(panel, 11.5, QFont::Normal, OVDesign::Rounded);

    auto *grid = new QGridLayout(panel);
    OVUI::shared()->bind(panel, [grid] {
        const int z = qRound(OVUI::shared()->z(12));
        grid->setContentsMargins(z, z, z, z);
        grid->setHorizontalSpacing(z);
        grid->setVerticalSpacing(qRound(OVUI::shared()->z(6)));
    });
    const QStringList heads{u"Go live on"_s, u"Picture"_s, QString(), u"Time of the take"_s};
    for (int column = 0; column < heads.size(); ++column) {
        if (!heads[column].isEmpty()) {
            grid->addWidget(
                CMLayout::label(heads[column], 10, QFont::Bold, OVDesign::Rounded, true), 0,
                column == 3 ? 3 : column, 1, column == 3 ? 2 : 1);
        }
    }
    const QList<CMPrompterWindow::Display> displays = CMPrompterWindow::screens();
    for (const CMPrompterWindow::Display &display : displays)
        addRow(grid, int(display.index) + 1, display);
    const QString key = QKeySequence(Qt::CTRL | Qt::Key_L).toString(QKeySequence::NativeText);
    auto *note = CMLayout::label(u"Go Live and "_s + key +
                                     u" use every checked display; Esc on any of them ends "
                                     u"live on all."_s,
                                 10, QFont::Normal, OVDesign::Rounded, true);
    grid->addWidget(note, int(displays.size()) + 1, 0, 1, 5);
    panel->setProperty("rows", int(displays.size()));
    return panel;
}

void CMOutputPicker::addRow(QGridLayout *grid, int row, const CMPrompterWindow::Display &display)
{
    const QString name = display.name;
    const CMOutputOptions options = m_outputs.options(name);

    auto *live = new QCheckBox(display.label);
    live->setObjectName(u"live:"_s + name);
    live->setChecked(checked().contains(name));
    connect(live, &QCheckBox::toggled, this, [this, live, name](bool on) {
        if (!m_outputs.setChecked(CMPrompterWindow::screenNames(), name, on)) {
            // One display always stays checked: Go Live must have somewhere to go.
            const QSignalBlocker quiet(live);
            live->setChecked(true);
        }
    });
    grid->addWidget(live, row, 0);

    auto *picture = new QComboBox;
    picture->setObjectName(u"picture:"_s + name);
    for (const auto &[value, text] : pictures)
        picture->addItem(QString::fromUtf16(text), int(value));
    picture->setCurrentIndex(picture->findData(int(options.picture)));
    connect(picture, &QComboBox::activated, this, [this, picture, name](int index) {
        CMOutputOptions o = m_outputs.options(name);
        o.picture = CMPicture(picture->itemData(index).toInt());
        m_outputs.setOptions(name, o);
    });
    grid->addWidget(picture, row, 1);

    auto *bar = new QCheckBox(u"Hint bar"_s);
    bar->setObjectName(u"hintBar:"_s + name);
    bar->setToolTip(u"The status and keys bar at the bottom (a talent's glass is better "
                    u"without it)"_s);
    bar->setChecked(options.hintBar);
    connect(bar, &QCheckBox::toggled, this, [this, name](bool on) {
        CMOutputOptions o = m_outputs.options(name);
        o.hintBar = on;
        m_outputs.setOptions(name, o);
    });
    grid->addWidget(bar, row, 2);

    auto *time = new QCheckBox(u"Show"_s);
    time->setObjectName(u"time:"_s + name);
    time->setToolTip(u"Elapsed, left and over/under, with the clock, small in a corner"_s);
    time->setChecked(options.showTime);
    auto *corner = new QComboBox;
    corner->setObjectName(u"corner:"_s + name);
    for (const auto &[value, text] : corners)
        corner->addItem(QString::fromUtf16(text), int(value));
    corner->setCurrentIndex(corner->findData(int(options.timeCorner)));
    corner->setEnabled(options.showTime);
    connect(time, &QCheckBox::toggled, this, [this, corner, name](bool on) {
        corner->setEnabled(on);
        CMOutputOptions o = m_outputs.options(name);
        o.showTime = on;
        m_outputs.setOptions(name, o);
    });
    connect(corner, &QComboBox::activated, this, [this, corner, name](int index) {
        CMOutputOptions o = m_outputs.options(name);
        o.timeCorner = CMCorner(corner->itemData(index).toInt());
        m_outputs.setOptions(name, o);
    });
    grid->addWidget(time, row, 3);
    grid->addWidget(corner, row, 4);
}
