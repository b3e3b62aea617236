// The resource script: string table, soft-key bars (SHMENUBAR blocks), accelerator table 2,
// and the icons and bitmaps that the artwork tool generates at build time.
#include "resources/resources.h"

#include "platform/windows.h"
#include "resources/resource_ids.h"
#ifdef MV_HAVE_GENERATED_IMAGES
#include "resources/resource_images.h"
#endif

namespace {

const MV_RES_STRING kStrings[] = {
    {IDS_APP_TITLE, L"Movimetra"},
    {IDS_APP_CLASS, L"ZUNO"},
    {IDS_BLANK_LEFT, L" "},
    {IDS_BLANK_RIGHT, L" "},
    {IDS_OK_KO, L"확인"},
    {IDS_CANCEL_KO, L"취소"},
    {IDS_CLOSE_KO, L"닫기"},
    {IDS_RESET_KO, L"리셋"},
    {IDS_PROFILE_KO, L"프로필"},
    {IDS_EXIT_KO, L"종료"},
    {IDS_OK_EN, L"Ok"},
    {IDS_CANCEL_EN, L"Cancel"},
    {IDS_CLOSE_EN, L"Close"},
    {IDS_RESET_EN, L"Reset"},
    {IDS_PROFILE_EN, L"Profile"},
    {IDS_EXIT_EN, L"Exit"},
    {IDS_NO_SENSOR_KO, L"동작 센서가 없습니다: 걸음을 셀 수 없습니다"},
    {IDS_NO_SENSOR_TITLE_KO, L"센서 없음"},
    {IDS_NO_SENSOR_EN, L"No motion sensor found: steps cannot be counted"},
    {IDS_NO_SENSOR_TITLE_EN, L"No sensor"},
};

// One SHMENUBAR block: menu id, two buttons; per button image none, command, enabled,
// autosize button, label string, 0, no sub-menu.
#define MV_MENUBAR(id, leftCmd, leftLabel, rightCmd, rightLabel)                               \
    {                                                                                          \
        (WORD)(id), 2, 0xFFFE, (WORD)(leftCmd), 4, 0x10, (WORD)(leftLabel), 0, 0xFFFF, 0xFFFE, \
            (WORD)(rightCmd), 4, 0x10, (WORD)(rightLabel), 0, 0xFFFF                           \
    }

const WORD kBar102[] =
    MV_MENUBAR(IDR_MENUBAR_INITIAL, IDM_INITIAL_LEFT, IDS_BLANK_LEFT, IDM_INITIAL_RIGHT, IDS_BLANK_RIGHT);
const WORD kBar110[] =
    MV_MENUBAR(IDR_MENUBAR_PROFILE_KO, IDM_PROFILE_OK, IDS_OK_KO, IDM_PROFILE_CANCEL, IDS_CANCEL_KO);
const WORD kBar111[] = MV_MENUBAR(IDR_MENUBAR_RESET_KO, IDM_RESET, IDS_RESET_KO, IDM_CLOSE, IDS_CLOSE_KO);
const WORD kBar112[] =
    MV_MENUBAR(IDR_MENUBAR_MAIN_KO, IDM_MAIN_PROFILE, IDS_PROFILE_KO, IDM_MAIN_EXIT, IDS_EXIT_KO);
const WORD kBar156[] =
    MV_MENUBAR(IDR_MENUBAR_PROFILE_EN, IDM_PROFILE_OK, IDS_OK_EN, IDM_PROFILE_CANCEL, IDS_CANCEL_EN);
const WORD kBar157[] = MV_MENUBAR(IDR_MENUBAR_RESET_EN, IDM_RESET, IDS_RESET_EN, IDM_CLOSE, IDS_CLOSE_EN);
const WORD kBar158[] =
    MV_MENUBAR(IDR_MENUBAR_MAIN_EN, IDM_MAIN_PROFILE, IDS_PROFILE_EN, IDM_MAIN_EXIT, IDS_EXIT_EN);
// The statistics view: nothing on the left, Close on the right.
const WORD kBar113[] =
    MV_MENUBAR(IDR_MENUBAR_STATS_KO, IDM_ACCEL_NONE, IDS_BLANK_LEFT, IDM_CLOSE, IDS_CLOSE_KO);
const WORD kBar159[] =
    MV_MENUBAR(IDR_MENUBAR_STATS_EN, IDM_ACCEL_NONE, IDS_BLANK_LEFT, IDM_CLOSE, IDS_CLOSE_EN);
#undef MV_MENUBAR

#define MV_WORDS(a) a, (int)(sizeof(a) / sizeof(a[0]))
const MV_RES_MENUBAR kMenuBars[] = {
    {IDR_MENUBAR_INITIAL, MV_WORDS(kBar102)},    {IDR_MENUBAR_PROFILE_KO, MV_WORDS(kBar110)},
    {IDR_MENUBAR_RESET_KO, MV_WORDS(kBar111)},   {IDR_MENUBAR_MAIN_KO, MV_WORDS(kBar112)},
    {IDR_MENUBAR_PROFILE_EN, MV_WORDS(kBar156)}, {IDR_MENUBAR_RESET_EN, MV_WORDS(kBar157)},
    {IDR_MENUBAR_MAIN_EN, MV_WORDS(kBar158)},    {IDR_MENUBAR_STATS_KO, MV_WORDS(kBar113)},
    {IDR_MENUBAR_STATS_EN, MV_WORDS(kBar159)},
};
#undef MV_WORDS

// The first matching entry wins: Ctrl+A gives 40002 and Ctrl+Q gives 40000.
constexpr BYTE kAccelFlags = FVIRTKEY | FNOINVERT | FCONTROL;
const ACCEL kAccelerators[] = {
    {kAccelFlags, 'A', 40002},
    {kAccelFlags, 'Q', 40000},
    {kAccelFlags, 'A', 40003},
    {kAccelFlags, 'Q', 40004},
    {kAccelFlags, 'A', 40005},
    {kAccelFlags, 'Q', 40006},
    {kAccelFlags, 'A', 40007},
    {kAccelFlags, 'Q', 40008},
    {FVIRTKEY | FNOINVERT, VK_TAB, IDM_NEXT_FIELD},
    {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, IDM_PREV_FIELD},
};

const MV_RES_ACCELTABLE kAccelTables[] = {
    {IDR_ACCELERATORS, kAccelerators, (int)(sizeof(kAccelerators) / sizeof(kAccelerators[0]))},
};

}  // namespace

void RegisterMovimetraResources() {
    static MV_RESOURCE_MODULE module = {};
    module.strings = kStrings;
    module.stringCount = (int)(sizeof(kStrings) / sizeof(kStrings[0]));
    module.menuBars = kMenuBars;
    module.menuBarCount = (int)(sizeof(kMenuBars) / sizeof(kMenuBars[0]));
    module.accelTables = kAccelTables;
    module.accelTableCount = (int)(sizeof(kAccelTables) / sizeof(kAccelTables[0]));
#ifdef MV_HAVE_GENERATED_IMAGES
    module.icons = g_mvResIcons;
    module.iconCount = g_mvResIconCount;
    module.bitmaps = g_mvResBitmaps;
    module.bitmapCount = g_mvResBitmapCount;
#else
    // Without the artwork tool the program runs without icons and bitmaps.
    module.icons = nullptr;
    module.iconCount = 0;
    module.bitmaps = nullptr;
    module.bitmapCount = 0;
#endif
    MvRegisterResources(&module);
}
