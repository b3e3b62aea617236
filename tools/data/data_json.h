// The history as JSON: an array with one object per row, one row per line, keyed by the column
// names; numbers as numbers, a missing value as null.
#pragma once

#include <string>
#include <vector>

#include "tools/data/data_csv.h"
#include "tools/data/data_rows.h"

std::string DataJsonBegin();
// One row's object (of days, or of hours); `first` leaves out the separating comma.
std::string DataJsonLine(const std::vector<DataCell>& cells, bool first, bool hours = false);
std::string DataJsonEnd();

// Reads an array of row objects record by record (cells in column order; a row with an "hour" is
// a row of hours). False with the error's line on malformed JSON (a trailing comma named as
// such), an unknown or repeated key, or a missing column (created and updated may be missing).
bool DataJsonRead(std::string_view text, const DataRecordSink& sink, DataParseError* error);
