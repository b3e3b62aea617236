// End-to-end support for the main view: its program folder (built images, test images or
// none), today's rows, the images it draws and the messages it sends, and screen pixels in
// view coordinates.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/mv_platform.h"
#include "screens/main/main_screen.h"
#include "testing/png_test_util.h"
#include "tests/shell_harness_test_util.h"

namespace maintest {

using shelltest::CShellRun;

// The date of shelltest::kStartLocalSeconds.
constexpr const char* kToday = "2024-03-14";
// The view window starts at screen row 52.
constexpr int kViewTop = 52;
// Centres of the three buttons, in script (screen) coordinates.
constexpr const char* kStartStop = "80 692";
constexpr const char* kReset = "240 692";
constexpr const char* kLog = "400 692";

inline std::string RecordingPath() {
    return std::string(MV_TEST_DATA_DIR) + "/walk_1_8hz.rec";
}

// A sensor that is there but delivers no reading (an empty recording in the run's folder):
// workouts start and count nothing.
inline std::string SilentSensor(const CShellRun& run) {
    std::string path = run.Dir() + "/silent.rec";
    shelltest::WriteTextFile(path, "# no reading\n");
    return "replay:" + path;
}

// The img folder the build drew beside the test program, copied into the program's folder.
inline bool CopyBuiltImages(const std::string& dir) {
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    std::error_code error;
    std::filesystem::copy(exe.parent_path() / "img", dir + "/img", std::filesystem::copy_options::recursive,
                          error);
    return !error;
}

// Only the ten digit images, each the 3 x 2 test picture (top row red, green, transparent).
inline bool WriteTestDigits(const std::string& dir) {
    std::filesystem::create_directories(dir + "/img");
    for (int i = 0; i < 10; ++i)
        if (!WriteTestPng(dir + "/img/num_0" + std::to_string(i) + ".png")) return false;
    return true;
}

inline bool ExecSqlOn(const std::string& dbPath, const std::string& sql) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(dbPath.c_str(), &db) == SQLITE_OK && shelltest::ExecSql(db, sql.c_str());
    sqlite3_close(db);
    return ok;
}

// The first column of the first row of a query, as text ("" when there is none).
inline std::string QueryText(const std::string& dbPath, const std::string& sql) {
    std::string out;
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0))
        out = (const char*)sqlite3_column_text(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return out;
}

inline int QueryInt(const std::string& dbPath, const std::string& sql) {
    return atoi(QueryText(dbPath, sql).c_str());
}

inline int TodayRows(const std::string& dbPath) {
    return atoi(
        QueryText(dbPath, std::string("SELECT COUNT(*) FROM pedometer WHERE curdate='") + kToday + "';")
            .c_str());
}

// steps|kcal|curtime of today's newest row.
inline std::string NewestRow(const std::string& dbPath) {
    return QueryText(dbPath,
                     std::string("SELECT steps || '|' || kcal || '|' || curtime FROM pedometer WHERE seq = "
                                 "(SELECT max(seq) FROM pedometer WHERE curdate='") +
                         kToday + "');");
}

inline CMainScreen* MainView() {
    CApplication* app = GetApplication();
    return app ? static_cast<CMainScreen*>(app->GetView(VIEW_MAIN)) : nullptr;
}

inline uint32_t ViewPixel(int x, int y) {
    return MvGetScreenPixel(x, y + kViewTop);
}

struct DrawnImage {
    std::string name;
    int x;
    int y;
};

// Watches what reaches the main window: the images drawn through the image drawer and the
// program's own messages, in order.
class CMainRecorder {
public:
    void Start() {
        MvSetMessageObserver([this](HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
            if (hWnd != GetMainWindow()) return;
            if (message == UM_SET_IMAGE_POS) {
                m_x = (int)wParam;
                m_y = (int)lParam;
            } else if (message == UM_DRAW_IMAGE) {
                images.push_back({NarrowForLog((const wchar_t*)lParam), m_x, m_y});
            }
            if (message >= WM_USER || message == WM_DESTROY) messages.push_back(message);
        });
    }
    void Clear() {
        images.clear();
        messages.clear();
    }
    bool Drew(const std::string& name, int x, int y) const {
        for (const DrawnImage& image : images)
            if (image.name == name && image.x == x && image.y == y) return true;
        return false;
    }
    bool DrewPrefix(const std::string& prefix) const {
        for (const DrawnImage& image : images)
            if (image.name.rfind(prefix, 0) == 0) return true;
        return false;
    }
    bool Sent(UINT message) const {
        for (UINT seen : messages)
            if (seen == message) return true;
        return false;
    }
    // The step digits of the last repaint that drew any (at y 243), most significant first.
    std::string Digits() const {
        std::string out;
        bool inGroup = false;
        for (const DrawnImage& image : images) {
            bool digit = image.y == 243 && image.name.rfind("num_0", 0) == 0;
            if (digit && !inGroup) out.clear();
            if (digit) out += image.name[5];
            inGroup = digit;
        }
        return out;
    }

    std::vector<DrawnImage> images;
    std::vector<UINT> messages;

private:
    static std::string NarrowForLog(const wchar_t* text) {
        std::string out;
        for (; text && *text; ++text) out += (*text < 128) ? (char)*text : '?';
        return out;
    }
    int m_x = 0;
    int m_y = 0;
};

}  // namespace maintest
