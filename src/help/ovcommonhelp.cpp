#include "ovcommonhelp.h"

#include <kit/ovmaker.h>

#include <QUrl>

using namespace Qt::StringLiterals;

namespace OVCommonHelp {

QList<HelpPage> pages(const QString &app)
{
    using B = HelpBlock;
    return OVHelp::forPlatform({
        {u"look"_s, u"Themes & Zoom"_s, u"paintpalette.fill"_s,
         {B::text(app + u" comes in six finishes. Pick one from View > Theme. Your choice is "
                        u"remembered."_s),
          B::bullets({u"Gunmetal Blue and Anodized Red"_s, u"Rose Gold and Lavender Violet"_s,
                      u"Black Chrome"_s, u"Graphite Gray"_s}),
          B::heading(u"Interface zoom"_s),
          B::text(u"Make every control, label and panel bigger or smaller, from 85% up to 200%. "
                  u"100% is the normal size."_s),
          B::key(u"⌘ ="_s, u"Zoom in"_s), B::key(u"⌘ −"_s, u"Zoom out"_s),
          B::key(u"⌘ 0"_s, u"Back to 100%"_s),
          B::tip(u"The zoom also applies to this Help window."_s)}},
        {u"about"_s, u"About OVS"_s, u"info.circle.fill"_s,
         {B::text(app + u" is made by Orvelle Software (OVS)."_s),
          B::text(u"Website: "_s + OVSMaker::website().toString()),
          B::text(u"Choose Help > Visit Orvelle Software to open the website."_s)}},
    });
}

} // namespace OVCommonHelp
