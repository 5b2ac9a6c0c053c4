#include "cmcolorglyphs.h"

#include "cmfontresolver.h"

#include <QCache>
#include <QHash>
#include <QMutex>
#include <QRawFont>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace CMColorGlyphs {

namespace {

// Far beyond any prompter text; bounds what one glyph's picture may take.
constexpr double largestPixelSize = 2048;
constexpr qsizetype cacheBytes = 32 * 1024 * 1024;

struct Key
{
    const void *face;
    quint32 glyph;
    int size64;
    friend bool operator==(const Key &, const Key &) = default;
    friend size_t qHash(const Key &key, size_t seed = 0)
    {
        return qHashMulti(seed, key.face, key.glyph, key.size64);
    }
};

class Renderer
{
public:
    static Renderer &instance()
    {
        static Renderer *renderer = new Renderer; // used until the process ends
        return *renderer;
    }

    FT_Face face(const QRawFont &font)
    {
        const QString family = CMFontResolver::familyOf(font);
        const QString key = family + u'\n' + font.styleName();
        if (const auto it = m_faces.constFind(key); it != m_faces.constEnd())
            return *it;
        FT_Face face = nullptr;
        const CMFontResolver::FaceFile file =
            family.isEmpty() ? CMFontResolver::FaceFile{}
                             : CMFontResolver::colorFaceFile(family, font.styleName());
        if (m_library && !file.file.isEmpty()
            && FT_New_Face(m_library, file.file.constData(), file.index, &face) != 0) {
            face = nullptr;
        }
        if (face && !FT_HAS_COLOR(face)) {
            FT_Done_Face(face);
            face = nullptr;
        }
        m_faces.insert(key, face);
        return face;
    }

    Glyph glyph(FT_Face face, quint32 index, double pixelSize)
    {
        const Key key{face, index, int(std::lround(pixelSize * 64))};
        if (const Glyph *cached = m_glyphs.object(key))
            return *cached;
        Glyph rendered = render(face, index, pixelSize);
        const qsizetype cost = std::max<qsizetype>(rendered.image.sizeInBytes(), 1);
        m_glyphs.insert(key, new Glyph(rendered), cost);
        return rendered;
    }

    QMutex mutex;

private:
    Renderer()
    {
        if (FT_Init_FreeType(&m_library) != 0)
            m_library = nullptr;
        m_glyphs.setMaxCost(cacheBytes);
    }

    // Bitmap fonts carry pictures at a few sizes: take the smallest at least as large as
    // asked, else the largest, and scale it to the size asked.
    static double selectSize(FT_Face face, double pixelSize)
    {
        if (FT_IS_SCALABLE(face) || face->num_fixed_sizes == 0) {
            if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(std::lround(pixelSize))) != 0)
                return 0;
            return double(std::lround(pixelSize));
        }
        int best = 0;
        for (int i = 1; i < face->num_fixed_sizes; ++i) {
            const double size = face->available_sizes[i].y_ppem / 64.0;
            const double bestSize = face->available_sizes[best].y_ppem / 64.0;
            const bool bigEnough = size >= pixelSize;
            const bool bestBigEnough = bestSize >= pixelSize;
            if ((bigEnough && (!bestBigEnough || size < bestSize))
                || (!bigEnough && !bestBigEnough && size > bestSize)) {
                best = i;
            }
        }
        if (FT_Select_Size(face, best) != 0)
            return 0;
        return face->available_sizes[best].y_ppem / 64.0;
    }

    static Glyph render(FT_Face face, quint32 index, double pixelSize)
    {
        const double strikeSize = selectSize(face, pixelSize);
        if (strikeSize <= 0 || FT_Load_Glyph(face, index, FT_LOAD_COLOR) != 0)
            return {};
        FT_GlyphSlot slot = face->glyph;
        if (slot->format != FT_GLYPH_FORMAT_BITMAP
            && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
            return {};
        }
        const FT_Bitmap &bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_BGRA || bitmap.width == 0 || bitmap.rows == 0)
            return {};
        // FreeType's BGRA is premultiplied, byte for byte what Qt's ARGB32 is in memory here.
        QImage image(int(bitmap.width), int(bitmap.rows), QImage::Format_ARGB32_Premultiplied);
        if (image.isNull())
            return {};
        const std::size_t rowBytes = std::size_t(bitmap.width) * 4;
        for (int y = 0; y < image.height(); ++y) {
            const unsigned char *row = bitmap.buffer + std::ptrdiff_t(y) * bitmap.pitch;
            if (bitmap.pitch < 0)
                row = bitmap.buffer + std::ptrdiff_t(image.height() - 1 - y) * -bitmap.pitch;
            std::memcpy(image.scanLine(y), row, rowBytes);
        }
        const double scale = pixelSize / strikeSize;
        const QPointF offset(slot->bitmap_left * scale, -slot->bitmap_top * scale);
        if (std::abs(scale - 1) > 1e-3) {
            const int width = std::max(1, int(std::lround(image.width() * scale)));
            const int height = std::max(1, int(std::lround(image.height() * scale)));
            image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        return {image, offset};
    }

    FT_Library m_library = nullptr;
    QHash<QString, FT_Face> m_faces;
    QCache<Key, Glyph> m_glyphs;
};

} // namespace

bool isColorFont(const QRawFont &font)
{
    Renderer &renderer = Renderer::instance();
    const QMutexLocker lock(&renderer.mutex);
    return renderer.face(font) != nullptr;
}

Glyph glyph(const QRawFont &font, quint32 index, double pixelSize)
{
    if (!(pixelSize > 0))
        return {};
    Renderer &renderer = Renderer::instance();
    const QMutexLocker lock(&renderer.mutex);
    FT_Face face = renderer.face(font);
    if (!face)
        return {};
    return renderer.glyph(face, index, std::min(pixelSize, largestPixelSize));
}

} // namespace CMColorGlyphs
