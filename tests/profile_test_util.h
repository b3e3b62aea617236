// End-to-end support for the profile view: where its parts are on the screen, what it sends
// to the main window, and what the database holds afterwards.
#pragma once

#include <string>
#include <vector>

#include "platform/mv_platform.h"
#include "screens/profile/profile_screen.h"
#include "tests/main_screen_test_util.h"

namespace profiletest {

using maintest::QueryInt;
using maintest::QueryText;
using shelltest::CShellRun;

// Script (screen) coordinates: the view starts at row 52.
constexpr const char* kHeightBox = "300 150";  // view (300, 98)
constexpr const char* kWeightBox = "300 290";  // view (300, 238)
constexpr const char* kEnglish = "345 431";    // view (345, 379)
constexpr const char* kKorean = "115 431";     // view (115, 379)
constexpr const char* kOutside = "240 360";    // view (240, 308), above the input panel

// ASCII view of a wide text (other characters become '?').
inline std::string Narrow(const wchar_t* text) {
    std::string out;
    if (!text) return "(null)";
    for (; *text; ++text) out += (*text < 128) ? (char)*text : '?';
    return out;
}

inline CProfileScreen* ProfileView() {
    CApplication* app = GetApplication();
    return app ? static_cast<CProfileScreen*>(app->GetView(VIEW_PROFILE)) : nullptr;
}

inline int CurrentView() {
    CApplication* app = GetApplication();
    return app ? app->CurrentIndex() : -1;
}

inline std::string FieldText(HWND field) {
    wchar_t text[16] = {};
    GetWindowTextW(field, text, 16);
    return Narrow(text);
}

inline bool InputPanelUp() {
    HWND panel = MvInputPanelWindow();
    return panel && IsWindowVisible(panel);
}

// The statements and the engine hand-over the program sends while watched.
struct CProfileRecorder {
    std::vector<std::string> sql;
    std::vector<int> kinds;
    std::vector<std::string> profiles;  // "height|weight" of each UM_SET_PROFILE
    std::vector<int> languages;

    void Start() {
        MvSetMessageObserver([this](HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
            if (hWnd != GetMainWindow()) return;
            if (message == UM_EXEC_SQL) {
                kinds.push_back((int)wParam);
                sql.push_back(Narrow((const wchar_t*)lParam));
            } else if (message == UM_SET_PROFILE) {
                profiles.push_back(Narrow((const wchar_t*)wParam) + "|" + Narrow((const wchar_t*)lParam));
            } else if (message == UM_SET_LANGUAGE) {
                languages.push_back((int)wParam);
            }
        });
    }
};

// The stored info row as "height|weight|gender|lang" ("" when there is none).
inline std::string InfoRow(const std::string& dbPath) {
    return QueryText(dbPath, "SELECT height || '|' || weight || '|' || gender || '|' || lang FROM info;");
}

inline int CountRows(const std::string& dbPath, const std::string& table) {
    return QueryInt(dbPath, "SELECT COUNT(*) FROM " + table + ";");
}

// Sum over the pixels of a screen rectangle: tells two drawings apart.
inline uint64_t ScreenChecksum(const RECT& rect) {
    uint64_t sum = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) sum = sum * 31 + MvGetScreenPixel(x, y);
    return sum;
}

}  // namespace profiletest
