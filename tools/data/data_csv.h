// The history as CSV: a header line, then one line per row; fields with a comma, a quote or a
// line break are quoted and their quotes doubled (RFC 4180). Lines end with LF; CRLF is read too.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/data/data_rows.h"

// The header line of a file of days, or of hours.
std::string DataCsvHeader(bool hours = false);
// One line (with its line end) of the cells; a null cell is an empty field.
std::string DataCsvLine(const std::vector<DataCell>& cells);

struct DataParseError {
    size_t nLine = 0;
    std::string reason;
};

// Takes each record as it is read; false stops the reading.
using DataRecordSink = std::function<bool(DataRecord&)>;

// Reads the text after its header record by record (every field a text cell, an empty field a
// null cell; blanks around a field left out). The header says whether the rows are days (all
// seven columns or the first five) or hours. Blank lines are skipped. On a malformed file returns
// false with the error.
bool DataCsvRead(std::string_view text, const DataRecordSink& sink, DataParseError* error);
