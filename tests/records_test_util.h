// End-to-end support for counting and storing: the recorded walk the tests replay, what the replay
// tool counts in it (run as a child process), which readings a workout of a given length has
// received, and the stored rows of the pedometer table.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/main_screen_test_util.h"

namespace recordstest {

// The body values of shelltest::WriteStoredProfile; the tool is run with the same.
constexpr double kHeightCm = 175;
constexpr double kWeightKg = 65;

// Screen points of the main view's buttons (the view starts at screen row 52).
constexpr const char* kTapStartStop = "tap 80 692\n";
constexpr const char* kTapReset = "tap 240 692\n";

inline std::string WalkPath() {
    return std::string(MV_TEST_DATA_DIR) + "/walk_varied_100s.rec";
}

inline std::string StepcountBinary() {
    return MV_STEPCOUNT_BINARY;
}

// A value as the store writes it: two decimals.
inline std::string TwoDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

struct Reading {
    int nIntervalMs;
    int x;
    int y;
    int z;
};

// A recording and the moment each reading falls due after the sensor is started.
class CRecording {
public:
    bool Load(const std::string& path) {
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            Reading r{};
            if (std::sscanf(line.c_str(), "%d,%d,%d,%d", &r.nIntervalMs, &r.x, &r.y, &r.z) != 4) return false;
            m_Readings.push_back(r);
        }
        return !m_Readings.empty();
    }
    size_t Size() const { return m_Readings.size(); }

    // Number of readings, from index `from` on, that fall due within `ms` of a start; the sensor
    // takes up the recording where an earlier workout left it.
    size_t DeliveredWithin(size_t from, int64_t ms) const {
        int64_t due = 0;
        size_t n = 0;
        for (size_t i = from; i < m_Readings.size(); ++i) {
            due += m_Readings[i].nIntervalMs;
            if (due > ms) break;
            ++n;
        }
        return n;
    }
    // Whether a reading falls due exactly `ms` after a start (its order against a save or a tap at
    // that moment is not fixed).
    bool DueAt(size_t from, int64_t ms) const {
        return DeliveredWithin(from, ms) != DeliveredWithin(from, ms - 1);
    }
    bool Write(const std::string& path, size_t from, size_t count) const {
        std::ofstream out(path);
        for (size_t i = from; i < from + count && i < m_Readings.size(); ++i) {
            const Reading& r = m_Readings[i];
            out << r.nIntervalMs << ',' << r.x << ',' << r.y << ',' << r.z << '\n';
        }
        return out.good();
    }

private:
    std::vector<Reading> m_Readings;
};

struct Totals {
    int nSteps = 0;
    double dDistance = 0;
    double dKcal = 0;
};

// What movimetra-stepcount counts in a recording: the totals after every reading.
class CStepTrace {
public:
    // Runs the tool with --trace; false (and the tool's output in *error) when it fails.
    bool Run(const std::string& recordingPath, std::string* error) {
        std::ostringstream command;
        command << '\'' << StepcountBinary() << "' --trace --height " << kHeightCm << " --weight "
                << kWeightKg << " '" << recordingPath << "' 2>&1";
        FILE* pipe = popen(command.str().c_str(), "r");
        if (!pipe) return false;
        std::string output;
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        int status = pclose(pipe);
        *error = output;
        if (status != 0) return false;

        std::istringstream lines(output);
        std::string line;
        bool haveTotals = false;
        while (std::getline(lines, line)) {
            Change c;
            if (std::sscanf(line.c_str(), "sample=%zu steps=%d distance_m=%lf kcal=%lf", &c.nSample,
                            &c.totals.nSteps, &c.totals.dDistance, &c.totals.dKcal) == 4) {
                m_Changes.push_back(c);
            } else if (std::sscanf(line.c_str(), "steps=%d distance_m=%lf kcal=%lf", &m_Final.nSteps,
                                   &m_Final.dDistance, &m_Final.dKcal) == 3) {
                haveTotals = true;
            }
        }
        return haveTotals;
    }
    // The totals once the first `samples` readings have been handled.
    Totals After(size_t samples) const {
        Totals out;
        for (const Change& c : m_Changes) {
            if (c.nSample > samples) break;
            out = c.totals;
        }
        return out;
    }
    const Totals& Final() const { return m_Final; }

private:
    struct Change {
        size_t nSample = 0;
        Totals totals;
    };
    std::vector<Change> m_Changes;
    Totals m_Final;
};

// One row of the pedometer table.
struct StoredRow {
    int nSeq = 0;
    std::string sDate;
    std::string sDuration;
    int nSteps = 0;
    double dKcal = 0;
    double dDistance = 0;
    std::string sCreatedAt;
    std::string sUpdatedAt;
};

inline std::vector<StoredRow> ReadRows(const std::string& dbPath) {
    std::vector<StoredRow> rows;
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db,
                           "SELECT seq, curdate, curtime, steps, kcal, distance, created_at, updated_at FROM "
                           "pedometer ORDER BY seq;",
                           -1, &stmt, nullptr) == SQLITE_OK) {
        auto text = [&](int column) {
            const unsigned char* value = sqlite3_column_text(stmt, column);
            return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
        };
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            StoredRow row;
            row.nSeq = sqlite3_column_int(stmt, 0);
            row.sDate = text(1);
            row.sDuration = text(2);
            row.nSteps = sqlite3_column_int(stmt, 3);
            row.dKcal = sqlite3_column_double(stmt, 4);
            row.dDistance = sqlite3_column_double(stmt, 5);
            row.sCreatedAt = text(6);
            row.sUpdatedAt = text(7);
            rows.push_back(row);
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

// "HH:MM:SS" as seconds.
inline int DurationSeconds(const std::string& text) {
    int h = 0, m = 0, s = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d", &h, &m, &s) != 3) return -1;
    return h * 3600 + m * 60 + s;
}

}  // namespace recordstest
