#pragma once

#include <QString>
#include <QUrl>

// The maker of the application, as the credit line, the Help menu and the help pages name it.
namespace OVSMaker {

QString name();
// The maker's website: the one address every link to the maker opens.
QUrl website();

} // namespace OVSMaker
