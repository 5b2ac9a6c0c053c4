#pragma once

// The whole control kit in one include.
#include "ovbadge.h"
#include "ovbuttons.h"
#include "ovfonts.h"
#include "ovgeometry.h"
#include "ovknob.h"
#include "ovlettering.h"
#include "ovmaker.h"
#include "ovpaint.h"
#include "ovroot.h"
#include "ovsegment.h"
#include "ovsurfaces.h"
#include "ovswitch.h"
#include "ovsymbols.h"
#include "ovtheme.h"
#include "ovtime.h"
#include "ovui.h"
