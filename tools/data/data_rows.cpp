#include "tools/data/data_rows.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

bool Digits(const std::string& text, size_t pos, size_t count) {
    if (pos + count > text.size()) return false;
    for (size_t i = pos; i < pos + count; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

int Number(const std::string& text, size_t pos, size_t count) {
    int value = 0;
    for (size_t i = pos; i < pos + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

// HH:MM:SS as a day's clock (created, updated).
bool IsClock(const std::string& text, size_t pos) {
    return text.size() == pos + 8 && Digits(text, pos, 2) && text[pos + 2] == ':' &&
           Digits(text, pos + 3, 2) && text[pos + 5] == ':' && Digits(text, pos + 6, 2) &&
           Number(text, pos, 2) < 24 && Number(text, pos + 3, 2) < 60 && Number(text, pos + 6, 2) < 60;
}

// The time walked: hours of two or more digits, then :MM:SS, as long as the program can hold it in
// seconds and write it back the same.
bool IsDuration(const std::string& text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 2 || colon > 6 || !Digits(text, 0, colon)) return false;
    if (colon > 2 && text[0] == '0') return false;
    if (text.size() != colon + 6 || !Digits(text, colon + 1, 2) || text[colon + 3] != ':' ||
        !Digits(text, colon + 4, 2) || Number(text, colon + 1, 2) >= 60 || Number(text, colon + 4, 2) >= 60)
        return false;
    const int64_t seconds =
        int64_t{Number(text, 0, colon)} * 3600 + Number(text, colon + 1, 2) * 60 + Number(text, colon + 4, 2);
    return seconds <= kDataMaxSeconds;
}

bool IsDateTime(const std::string& text) {
    return text.size() == 19 && DataIsDate(text.substr(0, 10)) && text[10] == ' ' && IsClock(text, 11);
}

// The text of a number cell, or of a text cell in CSV (which has no types).
bool NumberText(const DataCell& cell, bool typed, std::string* text) {
    if (cell.kind == DataCell::Kind::Null || (typed && cell.kind != DataCell::Kind::Number)) return false;
    *text = cell.text;
    return !text->empty();
}

bool ParseCount(const DataCell& cell, bool typed, int64_t* value) {
    std::string text;
    if (!NumberText(cell, typed, &text)) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end && *value >= 0 && *value <= kDataMaxSteps;
}

// The program keeps amounts in hundredths and writes them back with two decimals: an amount is
// taken only when that gives it back unchanged.
bool ParseAmount(const DataCell& cell, bool typed, double* value) {
    std::string text;
    if (!NumberText(cell, typed, &text) || text[0] == '+' || text[0] == '-') return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    if (ec != std::errc() || ptr != end || !std::isfinite(*value) || *value > kDataMaxAmount) return false;
    char twoDecimals[64];
    std::snprintf(twoDecimals, sizeof twoDecimals, "%.2f", *value);
    double back = 0;
    auto [backEnd, backEc] = std::from_chars(twoDecimals, twoDecimals + std::strlen(twoDecimals), back);
    return backEc == std::errc() && back == *value;
}

// A cell as a person may have written it: blanks around the value do not count.
DataCell Trimmed(const DataCell& cell) {
    DataCell out = cell;
    const size_t first = out.text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        out.text.clear();
        return out;
    }
    out.text = out.text.substr(first, out.text.find_last_not_of(" \t") - first + 1);
    return out;
}

// "H:MM:SS" (one hour digit, as a person writes it) as the program writes it: "0H:MM:SS".
std::string TwoHourDigits(const std::string& text) {
    return text.find(':') == 1 ? "0" + text : text;
}

bool CountOfFields(const DataRecord& record, size_t expected, std::string* reason) {
    if (record.cells.size() == expected) return true;
    *reason = std::to_string(record.cells.size()) + (record.cells.size() == 1 ? " field" : " fields") +
              ", expected " + std::to_string(expected);
    return false;
}

bool OptionalDateTime(const DataCell& cell, std::optional<std::string>* out) {
    if (cell.kind == DataCell::Kind::Null || (cell.kind == DataCell::Kind::Text && cell.text.empty())) {
        out->reset();
        return true;
    }
    if (cell.kind != DataCell::Kind::Text || !IsDateTime(cell.text)) return false;
    *out = cell.text;
    return true;
}

}  // namespace

std::string DataEchoField(const std::string& text) {
    constexpr size_t kShown = 40;
    std::string out;
    size_t i = 0;
    for (; i < text.size() && i < kShown; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (i < text.size()) {
        // Not in the middle of a character.
        while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
        if (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0xC0) out.pop_back();
        out += "...";
    }
    return out;
}

std::string DataFormatReal(double value) {
    char buffer[64];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

bool DataIsDate(const std::string& text) {
    if (text.size() != 10 || !Digits(text, 0, 4) || text[4] != '-' || !Digits(text, 5, 2) || text[7] != '-' ||
        !Digits(text, 8, 2))
        return false;
    const int year = Number(text, 0, 4);
    const int month = Number(text, 5, 2);
    const int day = Number(text, 8, 2);
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

namespace {

// The record's cells, trimmed, as many as `count` (those left out are null).
std::vector<DataCell> Cells(const DataRecord& record, size_t count) {
    std::vector<DataCell> cells;
    for (const DataCell& cell : record.cells) cells.push_back(Trimmed(cell));
    cells.resize(count);
    return cells;
}

bool DateCell(const DataCell& cell, std::string* reason) {
    if (cell.kind == DataCell::Kind::Text && DataIsDate(cell.text)) return true;
    *reason = "date \"" + DataEchoField(cell.text) + "\" is not a date (YYYY-MM-DD)";
    return false;
}

// steps, kcal and distance: the third to fifth cells of both kinds of row.
bool TotalsCells(const std::vector<DataCell>& c, bool typed, int64_t* steps, double* kcal, double* distance,
                 std::string* reason) {
    if (!ParseCount(c[2], typed, steps)) {
        *reason = "steps \"" + DataEchoField(c[2].text) + "\" is not a whole number from 0 to 1000000";
        return false;
    }
    const char* names[] = {"kcal", "distance"};
    double* values[] = {kcal, distance};
    for (int i = 0; i < 2; ++i) {
        if (ParseAmount(c[3 + i], typed, values[i])) continue;
        *reason = std::string(names[i]) + " \"" + DataEchoField(c[3 + i].text) +
                  "\" is not a number from 0 to 1000000 with two decimals at most";
        return false;
    }
    return true;
}

}  // namespace

bool DataRowFromRecord(const DataRecord& record, DataRow* row, std::string* reason) {
    // created and updated may be left out: by the header (or the JSON row), or by a row of their
    // own after the five that are needed.
    const size_t columns = record.nColumns ? record.nColumns : kDataColumnCount;
    if (record.cells.size() < kDataRequiredColumns || record.cells.size() > columns) {
        *reason = std::to_string(record.cells.size()) + (record.cells.size() == 1 ? " field" : " fields") +
                  ", expected " + (columns > kDataRequiredColumns ? "5 to " : "") + std::to_string(columns);
        return false;
    }
    const std::vector<DataCell> c = Cells(record, kDataColumnCount);
    if (!DateCell(c[0], reason)) return false;
    const std::string time = TwoHourDigits(c[1].text);
    if (c[1].kind != DataCell::Kind::Text || !IsDuration(time)) {
        *reason =
            "time \"" + DataEchoField(c[1].text) + "\" is not a time walked (HH:MM:SS, up to 596523:14:07)";
        return false;
    }
    if (!TotalsCells(c, record.bTyped, &row->steps, &row->kcal, &row->distance, reason)) return false;
    if (!OptionalDateTime(c[5], &row->created)) {
        *reason = "created \"" + DataEchoField(c[5].text) + "\" is not a date and time (YYYY-MM-DD HH:MM:SS)";
        return false;
    }
    if (!OptionalDateTime(c[6], &row->updated)) {
        *reason = "updated \"" + DataEchoField(c[6].text) + "\" is not a date and time (YYYY-MM-DD HH:MM:SS)";
        return false;
    }
    row->date = c[0].text;
    row->time = time;
    return true;
}

bool DataHourRowFromRecord(const DataRecord& record, DataHourRow* row, std::string* reason) {
    if (!CountOfFields(record, kHourColumnCount, reason)) return false;
    const std::vector<DataCell> c = Cells(record, kHourColumnCount);
    if (!DateCell(c[0], reason)) return false;
    int64_t hour = -1;
    if (!ParseCount(c[1], record.bTyped, &hour) || hour > 23 || c[1].text.size() > 2) {
        *reason = "hour \"" + DataEchoField(c[1].text) + "\" is not an hour from 0 to 23";
        return false;
    }
    if (!TotalsCells(c, record.bTyped, &row->steps, &row->kcal, &row->distance, reason)) return false;
    row->date = c[0].text;
    row->hour = static_cast<int>(hour);
    return true;
}
