#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The operator's prompter settings. The record enforces no range: stored values load
// unchanged, and each reader clamps what it uses (see clamped()).
struct CMSettings
{
    double speed = 3.0;
    double fontSize = 72.0;
    double margin = 12.0;     // percent of the canvas width, per side
    double lineSpacing = 1.25;
    QString fontName = QStringLiteral("HelveticaNeue-Bold");
    qint64 colors = 0;
    bool mirror = false;
    bool flip = false;
    qint64 countdown = 3;     // seconds; 0 is off
    bool cueLine = true;
    double cuePosition = 0.33; // fraction of the canvas height, from the top
    bool uppercase = false;

    friend bool operator==(const CMSettings &, const CMSettings &) = default;

    // Compact JSON object with exactly the twelve keys.
    QByteArray toJson() const;
    // All or nothing: every key present with the right JSON type, or no record at all.
    static std::optional<CMSettings> fromJson(const QByteArray &json);

    // A copy with every field pulled into the range of its control: what the clock, the
    // picture and every readout use, so an edited or older record can neither break the
    // arithmetic nor push the text out of sight (a 1000-point line starting at the bottom of
    // the view shows nothing). Values the controls can produce pass through unchanged.
    CMSettings clamped() const;

    // The two fields the scroll clock reads every frame, clamped without copying the record.
    double usableSpeed() const;
    double usableFontSize() const;
};
