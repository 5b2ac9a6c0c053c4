#pragma once

#include <QColor>
#include <QHash>
#include <QImage>

#include <cmath>

struct CMRowLayout;

// How row images look: everything but the row itself that shows in its pixels.
struct CMTileLook
{
    double scale = 1;        // device pixels per canvas point
    int deviceWidth = 1920;  // the canvas width in device pixels
    // The columns the images cover: the text column and room for glyphs that overhang it.
    int left = 0;
    int width = 1920;
    double devicePixelRatio = 1;
    double columnX = 230.4;  // canvas points
    QColor text = Qt::white;
    QColor background = Qt::black;
    bool mirror = false;
    bool flip = false;

    friend bool operator==(const CMTileLook &, const CMTileLook &) = default;
};

// Images of rows at the device's resolution, opaque on the background colour and cut into
// tiles of at most tileHeight pixels, so a paragraph taller than the screen never becomes
// one huge image. Each covers its row and the gap below it, plus one pixel, so the tiles of
// consecutive rows leave no seam whatever their sub-pixel positions. Keyed by the row's serial
// and the tile's index; a new look drops every image. Mirrored and flipped looks hold mirrored
// and flipped pixels; left then counts from the unmirrored edge.
class CMRowTiles
{
public:
    static constexpr int tileHeight = 512;

    const CMTileLook &look() const { return m_look; }
    void setLook(const CMTileLook &look);

    // Device pixels a row of the given extent (canvas points) takes, and its tile count.
    static int rowPixels(double extentPt, double scale)
    {
        return int(std::ceil(std::max(extentPt, 0.0) * scale)) + 1;
    }
    static int tileCount(int rowPixels) { return (rowPixels + tileHeight - 1) / tileHeight; }

    // The tile if it is cached; marks it used in frame.
    const QImage *find(quint64 serial, int index, qint64 frame);
    const QImage &render(const CMRowLayout &row, quint64 serial, int index, int rowPixels,
                         qint64 frame);
    // Drops the images not used since frame.
    void evictOlderThan(qint64 frame);
    void clear();

    qint64 bytes() const { return m_bytes; }
    int count() const { return int(m_tiles.size()); }

    // One tile of a row whose top is on a whole device pixel.
    static QImage renderTile(const CMRowLayout &row, int index, int rowPixels,
                             const CMTileLook &look);

private:
    struct Key
    {
        quint64 serial;
        int index;
        friend bool operator==(const Key &, const Key &) = default;
        friend size_t qHash(const Key &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.serial, key.index);
        }
    };
    struct Tile
    {
        QImage image;
        qint64 lastUsed = 0;
    };

    CMTileLook m_look;
    QHash<Key, Tile> m_tiles;
    qint64 m_bytes = 0;
};
