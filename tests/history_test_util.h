// End-to-end support for the history view: its screen points (script coordinates; the view starts
// at row 52), the view itself and its texts as ASCII.
#pragma once

#include <string>

#include "app/application.h"
#include "app/win_main.h"
#include "screens/history/log_screen.h"

namespace historytest {

constexpr const char* kOpenHistory = "tap 400 692\n";
constexpr const char* kWeekTab = "tap 90 97\n";
constexpr const char* kMonthTab = "tap 240 97\n";
constexpr const char* kYearTab = "tap 390 97\n";
constexpr const char* kPrevious = "tap 120 180\n";
constexpr const char* kNext = "tap 360 180\n";
constexpr const char* kCalories = "tap 240 230\n";
constexpr const char* kDateField = "tap 240 180\n";
constexpr const char* kYes = "tap 131 343\n";
constexpr const char* kNo = "tap 344 343\n";

inline CLogScreen* History() {
    return static_cast<CLogScreen*>(GetApplication()->GetView(VIEW_HISTORY));
}

inline std::string Narrow(const wchar_t* text) {
    std::string out;
    for (const wchar_t* p = text; *p; ++p) out += *p < 128 ? (char)*p : '?';
    return out;
}

}  // namespace historytest
