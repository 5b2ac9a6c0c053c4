#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>

#include <optional>

struct CMSettings;

// Where an output shows the time of the take, as the reader of that output sees it.
enum class CMCorner : quint8 { TopLeft, TopRight, BottomLeft, BottomRight };

// An output's own mirror and flip, or the deck's.
enum class CMPicture : quint8 { AsDeck, Normal, Mirror, Flip, MirrorFlip };

// What one display shows when it is live. A display nobody set up follows the deck's mirror
// and flip, shows the hint bar and no time: exactly the single live window of before.
struct CMOutputOptions
{
    CMPicture picture = CMPicture::AsDeck;
    bool hintBar = true;
    bool showTime = false;
    CMCorner timeCorner = CMCorner::TopRight;
    // Checked for going live; none until the operator chose.
    std::optional<bool> live;

    bool mirror(const CMSettings &deck) const;
    bool flip(const CMSettings &deck) const;

    QByteArray toJson() const;
    // Field by field: a value of the wrong type or out of range reads as its default, so a
    // damaged entry never costs the others.
    static CMOutputOptions fromJson(const QByteArray &json);

    friend bool operator==(const CMOutputOptions &, const CMOutputOptions &) = default;
};

// The outputs' options, remembered by display name, each under a settings key of its own,
// and the displays Go Live uses.
class CMOutputs : public QObject
{
    Q_OBJECT

public:
    explicit CMOutputs(QObject *parent = nullptr);

    // "cm.outputs/<name>", the name percent-encoded so no display name can reach another key.
    static QString settingsKey(const QString &display);

    CMOutputOptions options(const QString &display) const;
    void setOptions(const QString &display, const CMOutputOptions &options);

    // Of the connected displays (in their order), those Go Live uses: the checked ones, or,
    // while none is, the one proposed: the second display when there are two or more.
    static QString proposed(const QStringList &connected);
    QStringList checked(const QStringList &connected) const;
    // Checks or unchecks a display; refused (false) when it would leave none checked.
    bool setChecked(const QStringList &connected, const QString &display, bool on);

Q_SIGNALS:
    void changed(const QString &display);

private:
    mutable QHash<QString, CMOutputOptions> m_cache;
};
