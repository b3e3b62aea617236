// Icons and bitmaps, PNG-encoded; generated at build time by the artwork tool.
#pragma once

#include "platform/win_resources.h"

extern const MV_RES_IMAGE g_mvResIcons[];
extern const int g_mvResIconCount;
extern const MV_RES_IMAGE g_mvResBitmaps[];
extern const int g_mvResBitmapCount;
