#include "tools/data/data_rows.h"

#include <charconv>
#include <cmath>
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

// The time walked: hours of two or more digits, then :MM:SS.
bool IsDuration(const std::string& text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 2 || colon > 10 || !Digits(text, 0, colon)) return false;
    return text.size() == colon + 6 && Digits(text, colon + 1, 2) && text[colon + 3] == ':' &&
           Digits(text, colon + 4, 2) && Number(text, colon + 1, 2) < 60 && Number(text, colon + 4, 2) < 60;
}

bool IsDateTime(const std::string& text) {
    return text.size() == 19 && DataIsDate(text.substr(0, 10)) && text[10] == ' ' && IsClock(text, 11);
}

// The text of a number cell, or of a text cell in CSV (which has no types).
bool NumberText(const DataCell& cell, std::string* text) {
    if (cell.kind == DataCell::Kind::Null) return false;
    *text = cell.text;
    return !text->empty();
}

bool ParseCount(const DataCell& cell, int64_t* value) {
    std::string text;
    if (!NumberText(cell, &text)) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end && *value >= 0 && *value <= std::numeric_limits<int32_t>::max();
}

bool ParseAmount(const DataCell& cell, double* value) {
    std::string text;
    if (!NumberText(cell, &text) || text[0] == '+' || text[0] == '-') return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end && std::isfinite(*value);
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

bool DataRowFromRecord(const DataRecord& record, DataRow* row, std::string* reason) {
    if (record.cells.size() != kDataColumnCount) {
        *reason =
            std::to_string(record.cells.size()) + " fields, expected " + std::to_string(kDataColumnCount);
        return false;
    }
    const std::vector<DataCell>& c = record.cells;
    if (c[0].kind != DataCell::Kind::Text || !DataIsDate(c[0].text)) {
        *reason = "date \"" + c[0].text + "\" is not a date (YYYY-MM-DD)";
        return false;
    }
    if (c[1].kind != DataCell::Kind::Text || !IsDuration(c[1].text)) {
        *reason = "time \"" + c[1].text + "\" is not a time walked (HH:MM:SS)";
        return false;
    }
    if (!ParseCount(c[2], &row->steps)) {
        *reason = "steps \"" + c[2].text + "\" is not a whole number from 0 to 2147483647";
        return false;
    }
    if (!ParseAmount(c[3], &row->kcal)) {
        *reason = "kcal \"" + c[3].text + "\" is not a number of 0 or more";
        return false;
    }
    if (!ParseAmount(c[4], &row->distance)) {
        *reason = "distance \"" + c[4].text + "\" is not a number of 0 or more";
        return false;
    }
    if (!OptionalDateTime(c[5], &row->created)) {
        *reason = "created \"" + c[5].text + "\" is not a date and time (YYYY-MM-DD HH:MM:SS)";
        return false;
    }
    if (!OptionalDateTime(c[6], &row->updated)) {
        *reason = "updated \"" + c[6].text + "\" is not a date and time (YYYY-MM-DD HH:MM:SS)";
        return false;
    }
    row->date = c[0].text;
    row->time = c[1].text;
    return true;
}
