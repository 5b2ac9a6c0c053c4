#pragma once

#include <QIcon>
#include <QSize>
#include <QWidget>

#include <optional>

class QLabel;

// The About panel's content: the application's icon, its name, version and build, the
// maker's credit and notice line, centred in whatever room the window gives.
class OVAboutView : public QWidget
{
    Q_OBJECT

public:
    explicit OVAboutView(const QString &appName, QWidget *parent = nullptr);

    QString appName() const { return m_appName; }
    QLabel *nameLabel() const { return m_name; }
    QLabel *versionLabel() const { return m_version; }
    QLabel *noticeLabel() const { return m_notice; }

private:
    QString m_appName;
    QLabel *m_name;
    QLabel *m_version;
    QLabel *m_notice;
};

// The one About window of the application.
namespace OVAbout {

inline constexpr QSize size{420, 380};

// Opens or raises the About window with a fresh view for `appName`.
void show(const QString &appName);
// The window once show() has created it, and the view it shows; null before.
QWidget *window();
OVAboutView *view();

// "Version 2.3 (build 41)". A version or build that is missing or blank reads "1.0" or "-".
QString versionLine(const std::optional<QString> &version, const std::optional<QString> &build);
// The version line of this build, from the version and build number compiled in.
QString versionLine();
// The maker's notice line.
QString notice();
// The application's icon, in every size it is drawn at.
QIcon appIcon();

} // namespace OVAbout
