#include "cmfontresolver.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QMutex>
#include <QRawFont>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace CMFontResolver {

namespace {

template <typename T, void (*destroy)(T *)>
struct FcDeleter
{
    void operator()(T *p) const
    {
        if (p)
            destroy(p);
    }
};
using PatternPtr = std::unique_ptr<FcPattern, FcDeleter<FcPattern, FcPatternDestroy>>;
using ObjectSetPtr = std::unique_ptr<FcObjectSet, FcDeleter<FcObjectSet, FcObjectSetDestroy>>;
using FontSetPtr = std::unique_ptr<FcFontSet, FcDeleter<FcFontSet, FcFontSetDestroy>>;

QString fcString(FcPattern *pattern, const char *object)
{
    FcChar8 *value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || !value)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char *>(value));
}

// Qt silently substitutes another family when it does not know the one asked for, so a face
// counts as found only when Qt really picked that family.
std::optional<QFont> qtFont(const Face &face)
{
    QFont font(face.family);
    font.setWeight(QFont::Weight(face.weight));
    font.setItalic(face.italic);
    if (!face.style.isEmpty())
        font.setStyleName(face.style);
    const QString picked = QFontInfo(font).family();
    if (!picked.startsWith(face.family, Qt::CaseInsensitive))
        return std::nullopt;
    return font;
}

} // namespace

std::optional<Face> installedFace(const QString &postScriptName)
{
    if (postScriptName.isEmpty())
        return std::nullopt;
    const QByteArray name = postScriptName.toUtf8();
    PatternPtr pattern(FcPatternCreate());
    ObjectSetPtr objects(
        FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_WEIGHT, FC_SLANT, FC_POSTSCRIPT_NAME, nullptr));
    if (!pattern || !objects)
        return std::nullopt;
    FcPatternAddString(pattern.get(), FC_POSTSCRIPT_NAME,
                       reinterpret_cast<const FcChar8 *>(name.constData()));
    FontSetPtr fonts(FcFontList(nullptr, pattern.get(), objects.get()));
    if (!fonts)
        return std::nullopt;
    for (int i = 0; i < fonts->nfont; ++i) {
        // fontconfig compares names without regard to case; the settings do not.
        if (fcString(fonts->fonts[i], FC_POSTSCRIPT_NAME) != postScriptName)
            continue;
        FcPattern *font = fonts->fonts[i];
        Face face{fcString(font, FC_FAMILY), fcString(font, FC_STYLE)};
        double weight = FC_WEIGHT_REGULAR;
        if (FcPatternGetDouble(font, FC_WEIGHT, 0, &weight) == FcResultMatch)
            face.weight = std::clamp(int(FcWeightToOpenTypeDouble(weight)), 1, 1000);
        int slant = FC_SLANT_ROMAN;
        if (FcPatternGetInteger(font, FC_SLANT, 0, &slant) == FcResultMatch)
            face.italic = slant != FC_SLANT_ROMAN;
        if (!face.family.isEmpty())
            return face;
    }
    return std::nullopt;
}

QString standInFor(const QString &postScriptName)
{
    static const QHash<QString, QString> table{
        {u"HelveticaNeue-Bold"_s, u"NimbusSans-Bold"_s},
        {u"HelveticaNeue"_s, u"NimbusSans-Regular"_s},
        {u"Arial-BoldMT"_s, u"LiberationSans-Bold"_s},
        {u"Verdana-Bold"_s, u"DejaVuSans-Bold"_s},
        {u"AvenirNext-DemiBold"_s, u"URWGothic-Demi"_s},
        {u"Georgia"_s, u"C059-Roman"_s},
        {u"Menlo-Regular"_s, u"DejaVuSansMono"_s},
    };
    return table.value(postScriptName);
}

QString colorEmojiFamily()
{
    static const QString family = [] {
        PatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8 *>("emoji")));
        if (!pattern)
            return QString();
        FcPatternAddBool(pattern.get(), FC_COLOR, FcTrue);
        FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
        FcDefaultSubstitute(pattern.get());
        FcResult result = FcResultNoMatch;
        PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
        FcBool color = FcFalse;
        if (!match || FcPatternGetBool(match.get(), FC_COLOR, 0, &color) != FcResultMatch
            || !color) {
            return QString();
        }
        const QString name = fcString(match.get(), FC_FAMILY);
        return QFontDatabase::hasFamily(name) ? name : QString();
    }();
    return family;
}

FaceFile colorFaceFile(const QString &family, const QString &style)
{
    static QMutex mutex;
    static QHash<QString, FaceFile> cache;
    const QString key = family + u'\n' + style;
    const QMutexLocker lock(&mutex);
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;

    FaceFile found;
    PatternPtr pattern(FcPatternCreate());
    ObjectSetPtr objects(FcObjectSetBuild(FC_FILE, FC_INDEX, FC_STYLE, nullptr));
    if (pattern && objects) {
        const QByteArray name = family.toUtf8();
        FcPatternAddString(pattern.get(), FC_FAMILY,
                           reinterpret_cast<const FcChar8 *>(name.constData()));
        FcPatternAddBool(pattern.get(), FC_COLOR, FcTrue);
        FontSetPtr fonts(FcFontList(nullptr, pattern.get(), objects.get()));
        for (int i = 0; fonts && i < fonts->nfont; ++i) {
            FcPattern *font = fonts->fonts[i];
            const bool sameStyle = fcString(font, FC_STYLE) == style;
            if (!found.file.isEmpty() && !sameStyle)
                continue;
            FcChar8 *file = nullptr;
            if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file)
                continue;
            found.file = QByteArray(reinterpret_cast<const char *>(file));
            found.index = 0;
            FcPatternGetInteger(font, FC_INDEX, 0, &found.index);
            if (sameStyle)
                break;
        }
    }
    cache.insert(key, found);
    return found;
}

QString familyOf(const QRawFont &font)
{
    // The stand-in has neither a style nor font tables; a face Qt loads has a style, or at
    // least a header table.
    if (!font.isValid() || (font.styleName().isEmpty() && font.fontTable("head").isEmpty()))
        return {};
    return font.familyName();
}

Resolved resolve(const QString &postScriptName)
{
    static QHash<QString, Resolved> cache;
    if (const auto it = cache.constFind(postScriptName); it != cache.constEnd())
        return *it;

    Resolved result;
    if (const auto face = installedFace(postScriptName)) {
        if (const auto font = qtFont(*face))
            result = {*font, Source::Exact};
    }
    if (result.source == Source::System) {
        if (const auto face = installedFace(standInFor(postScriptName))) {
            if (const auto font = qtFont(*face))
                result = {*font, Source::StandIn};
        }
    }
    if (result.source == Source::System) {
        result.font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        result.font.setWeight(QFont::Bold);
    }
    cache.insert(postScriptName, result);
    return result;
}

} // namespace CMFontResolver
