// Stand-in date picker for the bridge tests: answers at once, without a window.
#include <cwchar>

#include "platform/win_types.h"

#define MV_EXPORT extern "C" __attribute__((visibility("default")))

MV_EXPORT int mv_ordinal_1() {
    return 1;
}
// Chooses 15 March 2010 for the title "Test" and the owner 0x1234; any other call is refused.
MV_EXPORT int mv_ordinal_2(const wchar_t* title, SYSTEMTIME* date, HWND owner) {
    if (title == nullptr || std::wcscmp(title, L"Test") != 0 || date == nullptr ||
        owner != reinterpret_cast<HWND>(0x1234))
        return 0;
    date->wYear = 2010;
    date->wMonth = 3;
    date->wDay = 15;
    return 42;
}
MV_EXPORT int mv_ordinal_3() {
    return 3;
}
MV_EXPORT int mv_ordinal_4() {
    return 4;
}
MV_EXPORT int mv_ordinal_5() {
    return 5;
}
MV_EXPORT int mv_ordinal_6() {
    return 6;
}
MV_EXPORT int mv_ordinal_7() {
    return 7;
}
