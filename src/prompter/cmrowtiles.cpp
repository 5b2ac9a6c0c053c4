#include "cmrowtiles.h"

#include "cmprompterpaint.h"
#include "cmrowlayout.h"

#include <QPainter>

#include <cstdlib>
#include <vector>

namespace {

// Pixel memory for tiles, kept for reuse. The allocator maps every image of this size afresh,
// and faulting in its pages costs more than drawing a row into it.
class TileMemory
{
public:
    static TileMemory &instance()
    {
        static TileMemory *memory = new TileMemory; // outlives every image that uses it
        return *memory;
    }

    QImage image(int width, int height)
    {
        const qsizetype bytesPerLine = qsizetype(width) * 4;
        // Heights are rounded up to a few sizes so that freed blocks fit the next rows.
        const qsizetype rows = (height + granularity - 1) / granularity * granularity;
        const qsizetype bytes = bytesPerLine * rows;
        Block *block = nullptr;
        for (auto it = m_free.begin(); it != m_free.end(); ++it) {
            if ((*it)->bytes == bytes) {
                block = *it;
                m_free.erase(it);
                m_freeBytes -= bytes;
                break;
            }
        }
        if (!block) {
            block = static_cast<Block *>(std::malloc(sizeof(Block) + std::size_t(bytes)));
            if (!block)
                return QImage(width, height, QImage::Format_RGB32);
            block->bytes = bytes;
        }
        return QImage(block->pixels(), width, height, bytesPerLine, QImage::Format_RGB32,
                      &TileMemory::release, block);
    }

private:
    struct Block
    {
        qsizetype bytes;
        qsizetype padding; // keeps the pixels 16-byte aligned
        uchar *pixels() { return reinterpret_cast<uchar *>(this + 1); }
    };
    static constexpr int granularity = 64;
    static constexpr qsizetype keptBytes = 64 * 1024 * 1024;

    static void release(void *info)
    {
        auto *block = static_cast<Block *>(info);
        TileMemory &memory = instance();
        if (memory.m_freeBytes + block->bytes > keptBytes) {
            std::free(block);
            return;
        }
        memory.m_free.push_back(block);
        memory.m_freeBytes += block->bytes;
    }

    std::vector<Block *> m_free;
    qsizetype m_freeBytes = 0;
};

} // namespace

void CMRowTiles::setLook(const CMTileLook &look)
{
    if (look == m_look)
        return;
    m_look = look;
    clear();
}

const QImage *CMRowTiles::find(quint64 serial, int index, qint64 frame)
{
    const auto it = m_tiles.find(Key{serial, index});
    if (it == m_tiles.end())
        return nullptr;
    it->lastUsed = frame;
    return &it->image;
}

const QImage &CMRowTiles::render(const CMRowLayout &row, quint64 serial, int index,
                                 int rowPixels, qint64 frame)
{
    Tile tile{renderTile(row, index, rowPixels, m_look), frame};
    m_bytes += tile.image.sizeInBytes();
    auto it = m_tiles.find(Key{serial, index});
    if (it != m_tiles.end()) {
        m_bytes -= it->image.sizeInBytes();
        *it = std::move(tile);
    } else {
        it = m_tiles.insert(Key{serial, index}, std::move(tile));
    }
    return it->image;
}

void CMRowTiles::evictOlderThan(qint64 frame)
{
    for (auto it = m_tiles.begin(); it != m_tiles.end();) {
        if (it->lastUsed < frame) {
            m_bytes -= it->image.sizeInBytes();
            it = m_tiles.erase(it);
        } else {
            ++it;
        }
    }
}

void CMRowTiles::clear()
{
    m_tiles.clear();
    m_bytes = 0;
}

QImage CMRowTiles::renderTile(const CMRowLayout &row, int index, int rowPixels,
                              const CMTileLook &look)
{
    const int top = index * tileHeight;
    const int height = std::clamp(rowPixels - top, 1, tileHeight);
    QImage image = TileMemory::instance().image(std::max(look.width, 1), height);
    image.fill(look.background);
    if (!row.lines.empty() && look.scale > 0) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(-look.left, -top);
        painter.scale(look.scale, look.scale);
        const double topPt = top / look.scale;
        const double bottomPt = (top + height) / look.scale;
        for (const CMRowLayout::Line &line : row.lines) {
            // Accents and swashes may reach beyond the line box.
            if (line.top + 2 * line.height < topPt || line.top - line.height > bottomPt)
                continue;
            CMPaint::fillRuns(painter, line.runs, look.text, QPointF(look.columnX, 0));
        }
    }
    if (look.mirror || look.flip)
        image = std::move(image).mirrored(look.mirror, look.flip);
    image.setDevicePixelRatio(look.devicePixelRatio);
    return image;
}
