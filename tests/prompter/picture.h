#pragma once

#include <engine/cmsettings.h>
#include <prompter/cmprompterrenderer.h>
#include <prompter/cmscripttext.h>

#include <QImage>
#include <QPainter>

// A renderer over a text of its own, as a view has, drawing whole frames.
struct Picture
{
    CMScriptText text;
    CMPrompterRenderer renderer{text};
    QSize size;

    Picture(const QString &script, const CMSettings &settings, QSize viewSize)
        : size(viewSize)
    {
        text.setStyle(CMTextStyle::fromSettings(settings));
        text.setScript(script);
        renderer.setSettings(settings);
        renderer.setViewSize(viewSize);
    }

    // On magenta, so that whatever the renderer leaves unpainted shows.
    QImage frame(double offset = 0, double motion = 0)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        renderer.paint(painter, {offset, std::nullopt, motion});
        return image;
    }

    // A point or rectangle of the first row (row coordinates, canvas points) on the device.
    QPointF device(QPointF inRow) const
    {
        const CMCanvasGeometry &g = renderer.geometry();
        QPointF at((g.columnX + inRow.x()) * g.scale, (g.textTop(0) + inRow.y()) * g.scale);
        if (g.mirror)
            at.setX(size.width() - at.x());
        if (g.flip)
            at.setY(size.height() - at.y());
        return at;
    }
    QRect device(const QRectF &inRow) const
    {
        return QRectF(device(inRow.topLeft()), device(inRow.bottomRight())).normalized().toRect();
    }
};
