#include "ovmaker.h"

using namespace Qt::StringLiterals;

namespace OVSMaker {

QString name()
{
    return u"Orvelle Software"_s;
}

QUrl website()
{
    return QUrl(u"https://orvelle.example"_s);
}

} // namespace OVSMaker
