#include "ovfiledrop.h"

#include "ovalert.h"

#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QList<QUrl> fileUrls(const QMimeData *mime)
{
    QList<QUrl> files;
    if (!mime || !mime->hasUrls())
        return files;
    const QList<QUrl> urls = mime->urls();
    for (const QUrl &url : urls)
        if (url.isLocalFile())
            files.append(url);
    return files;
}

// The dashed outline: drawn over the target, transparent to the mouse.
class Outline : public QWidget
{
public:
    explicit Outline(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        constexpr double lineWidth = 3;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(QColor(255, 255, 255, 204), lineWidth, Qt::CustomDashLine, Qt::FlatCap,
                 Qt::MiterJoin);
        pen.setMiterLimit(10);
        pen.setDashPattern({8 / lineWidth, 6 / lineWidth});   // in units of the line width
        painter.setPen(pen);
        const double inset = lineWidth / 2;
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 16, 16);
    }
};

} // namespace

OVFileDrop *OVFileDrop::attach(QWidget *target, QSet<QString> exts, Action onDrop)
{
    return new OVFileDrop(target, std::move(exts), std::move(onDrop));
}

OVFileDrop::OVFileDrop(QWidget *target, QSet<QString> exts, Action onDrop)
    : QObject(target), m_target(target), m_outline(new Outline(target)),
      m_exts(std::move(exts)), m_onDrop(std::move(onDrop))
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
    // Drags over a text editor arrive at its viewport, not at the editor.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(target)) {
        area->viewport()->setAcceptDrops(true);
        area->viewport()->installEventFilter(this);
    }
    m_outline->setGeometry(target->rect());
}

void OVFileDrop::setHovering(bool hovering)
{
    if (m_hovering == hovering)
        return;
    m_hovering = hovering;
    if (hovering) {
        m_outline->setGeometry(m_target->rect());
        m_outline->raise();
        m_outline->show();
    } else {
        m_outline->hide();
    }
    Q_EMIT hoveringChanged(hovering);
}

bool OVFileDrop::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == m_target)
            m_outline->setGeometry(m_target->rect());
        break;
    case QEvent::DragEnter: {
        auto *drag = static_cast<QDragEnterEvent *>(event);
        if (fileUrls(drag->mimeData()).isEmpty())
            break;
        drag->acceptProposedAction();
        setHovering(true);
        return true;
    }
    case QEvent::DragMove: {
        if (!m_hovering)
            break;
        static_cast<QDragMoveEvent *>(event)->acceptProposedAction();
        return true;
    }
    case QEvent::DragLeave:
        setHovering(false);
        break;
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QList<QUrl> files = fileUrls(drop->mimeData());
        setHovering(false);
        if (files.isEmpty())
            break;
        drop->acceptProposedAction();
        // The drag source is told at once; the import and any alert follow on the event loop.
        QTimer::singleShot(0, this, [this, files] { deliver(files); });
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void OVFileDrop::deliver(const QList<QUrl> &files)
{
    if (files.isEmpty())
        return;
    const QList<QUrl> chosen = accepted(files, m_exts);
    if (chosen.isEmpty()) {
        OVAlert::show(unsupportedTitle(), supportedMessage(m_exts));
        return;
    }
    if (m_onDrop)
        m_onDrop(chosen);
}

QList<QUrl> OVFileDrop::accepted(const QList<QUrl> &files, const QSet<QString> &exts)
{
    QList<QUrl> chosen;
    for (const QUrl &url : files) {
        if (!url.isLocalFile())
            continue;
        QString path = url.toLocalFile();
        while (path.size() > 1 && path.endsWith(u'/'))
            path.chop(1);
        if (exts.isEmpty() || exts.contains(QFileInfo(path).suffix().toLower()))
            chosen.append(url);
    }
    return chosen;
}

QString OVFileDrop::unsupportedTitle()
{
    return u"That file type isn't supported"_s;
}

QString OVFileDrop::supportedMessage(const QSet<QString> &exts)
{
    QStringList sorted(exts.begin(), exts.end());
    std::sort(sorted.begin(), sorted.end());
    return u"Supported: "_s + sorted.join(u", "_s);
}
