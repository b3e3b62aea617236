// One history row as it leaves or enters the database: the seven exported columns as cells
// (the text of a value and whether it is a number or nothing at all), and the checked, typed row
// an import writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Column names of the CSV header and the JSON keys, in column order.
inline constexpr const char* kDataColumns[] = {"date",     "time",    "steps",  "kcal",
                                               "distance", "created", "updated"};
inline constexpr size_t kDataColumnCount = 7;
// created and updated may be left out (a CSV header of the first five, a JSON row without them).
inline constexpr size_t kDataRequiredColumns = 5;
// The columns of a file of hours (export --hours), in column order.
inline constexpr const char* kHourColumns[] = {"date", "hour", "steps", "kcal", "distance"};
inline constexpr size_t kHourColumnCount = 5;

struct DataCell {
    enum class Kind { Null, Number, Text };
    Kind kind = Kind::Null;
    std::string text;
};

// A record read from a file: its cells and the line it starts on.
struct DataRecord {
    size_t nLine = 0;
    size_t nEnd = 0;      // where the record ends in the text
    bool bTyped = false;  // JSON: numbers must be numbers, texts texts
    bool bHours = false;  // a row of hours (kHourColumns), not of days
    size_t nColumns = 0;  // the columns a CSV header names (0: those of the row's kind)
    std::vector<DataCell> cells;
};

// What the program shows and saves back unchanged: a day's row beyond these is refused.
inline constexpr int64_t kDataMaxSteps = 1000000;
inline constexpr int64_t kDataMaxSeconds = 2147483647;  // time walked, up to 596523:14:07
inline constexpr double kDataMaxAmount = 1000000;       // kcal and distance

// A checked row, ready to be written.
struct DataRow {
    std::string date;  // YYYY-MM-DD
    std::string time;  // time walked, HH:MM:SS (two or more hour digits)
    int64_t steps = 0;
    double kcal = 0;
    double distance = 0;
    std::optional<std::string> created;  // YYYY-MM-DD HH:MM:SS, or none
    std::optional<std::string> updated;
};

// A checked row of hours.
struct DataHourRow {
    std::string date;
    int hour = 0;  // 0-23
    int64_t steps = 0;
    double kcal = 0;
    double distance = 0;
};

// A number as the export writes it: the shortest text that reads back as the same double.
std::string DataFormatReal(double value);
// Checks the cells of a record and makes the typed row; on failure returns false with *reason.
bool DataRowFromRecord(const DataRecord& record, DataRow* row, std::string* reason);
bool DataHourRowFromRecord(const DataRecord& record, DataHourRow* row, std::string* reason);
// A field as an error message shows it: control characters escaped, cut to about 40 characters.
std::string DataEchoField(const std::string& text);
// True for a calendar date written YYYY-MM-DD.
bool DataIsDate(const std::string& text);
