#include "tools/data/data_check.h"

#include <sqlite3.h>

#include <set>
#include <vector>

#include "store/schema.h"
#include "tools/data/data_db.h"
#include "tools/data/data_rows.h"

namespace {

// The daily goal's table: newer programs have it, older ones do not.
const char kGoalTable[] = "goal";
const char kGoalCreate[] =
    "CREATE TABLE IF NOT EXISTS goal ('steps' INTEGER DEFAULT 0, 'noticed' VARCHAR(10) "
    "DEFAULT NULL);";

std::string Text(sqlite3_stmt* stmt, int column) {
    const unsigned char* text = sqlite3_column_text(stmt, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

bool FirstRowIs(sqlite3* db, const char* sql, const char* expected, const char* what, std::string* reason) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK || sqlite3_step(stmt) != SQLITE_ROW) {
        *reason = std::string("the ") + what + " did not run: " + sqlite3_errmsg(db);
        sqlite3_finalize(stmt);
        return false;
    }
    std::string result = Text(stmt, 0);
    sqlite3_finalize(stmt);
    if (result == expected) return true;
    *reason = std::string("the ") + what + " failed: " + DataEchoField(result);
    return false;
}

// A table's columns as PRAGMA table_info gives them: name, type, not null, default, key.
std::vector<std::string> Columns(sqlite3* db, const std::string& table) {
    std::vector<std::string> columns;
    sqlite3_stmt* stmt = nullptr;
    std::string sql = "SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?);";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return columns;
    sqlite3_bind_text(stmt, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        columns.push_back(Text(stmt, 0) + "|" + Text(stmt, 1) + "|" + Text(stmt, 2) + "|" + Text(stmt, 3) +
                          "|" + Text(stmt, 4));
    sqlite3_finalize(stmt);
    return columns;
}

bool ExactSchema(sqlite3* db, std::string* reason) {
    sqlite3* reference = nullptr;
    sqlite3_open(":memory:", &reference);
    std::string ignored;
    DataExec(reference, StoreSchemaScript().c_str(), &ignored);
    DataExec(reference, kGoalCreate, &ignored);
    DataExec(reference, kHourlyTable.pszCreate, &ignored);

    std::set<std::string> required;
    for (const StoreTable& table : kStoreTables)
        if (std::string(table.pszName) != kGoalTable) required.insert(table.pszName);
    sqlite3_stmt* stmt = nullptr;
    bool ok = sqlite3_prepare_v2(db, "SELECT type, name FROM sqlite_master ORDER BY rowid;", -1, &stmt,
                                 nullptr) == SQLITE_OK;
    if (!ok) *reason = sqlite3_errmsg(db);
    while (ok && sqlite3_step(stmt) == SQLITE_ROW) {
        const std::string type = Text(stmt, 0);
        const std::string name = Text(stmt, 1);
        if (type == "table" && name == "sqlite_sequence") continue;  // kept by AUTOINCREMENT
        // The hours' key is an index SQLite keeps for the table itself.
        if (type == "index" && name == "sqlite_autoindex_hourly_1") continue;
        const bool known =
            type == "table" && (required.count(name) || name == kGoalTable || name == kHourlyTable.pszName);
        if (!known) {
            *reason = "it holds the " + DataEchoField(type) + " \"" + DataEchoField(name) +
                      "\", which Movimetra never makes";
            ok = false;
        } else if (Columns(db, name) != Columns(reference, name)) {
            *reason = "the columns of table " + name + " are not Movimetra's";
            ok = false;
        }
        required.erase(name);
    }
    sqlite3_finalize(stmt);
    if (ok && !required.empty()) {
        *reason = "no table " + *required.begin();
        ok = false;
    }
    sqlite3_close(reference);
    return ok;
}

// Every history row as an import would take it.
bool SoundRows(sqlite3* db, std::string* reason) {
    std::vector<std::vector<DataCell>> rows;
    if (!DataReadRows(db, "", "", &rows, reason)) return false;
    for (size_t i = 0; i < rows.size(); ++i) {
        DataRecord record;
        record.bTyped = true;
        record.cells = rows[i];
        DataRow row;
        std::string why;
        if (!DataRowFromRecord(record, &row, &why)) {
            *reason = "history row " + std::to_string(i + 1) + ": " + why;
            return false;
        }
    }
    std::vector<std::vector<DataCell>> hours;
    if (!DataReadHours(db, "", "", &hours, reason)) return false;
    for (size_t i = 0; i < hours.size(); ++i) {
        DataRecord record;
        record.bTyped = true;
        record.bHours = true;
        record.cells = hours[i];
        DataHourRow row;
        std::string why;
        if (!DataHourRowFromRecord(record, &row, &why)) {
            *reason = "hour row " + std::to_string(i + 1) + ": " + why;
            return false;
        }
    }
    // The profile and the goal as the program writes them.
    const char* checks[][2] = {
        {"SELECT count(*) FROM firstuse WHERE typeof(flag) NOT IN ('integer', 'null');",
         "the table firstuse holds a flag that is not a number"},
        {"SELECT count(*) FROM info WHERE typeof(height) NOT IN ('integer', 'real', 'null') OR "
         "typeof(weight) "
         "NOT IN ('integer', 'real', 'null') OR typeof(lang) NOT IN ('integer', 'null') OR length(gender) > "
         "1;",
         "the table info holds a profile the program cannot read"},
    };
    for (const auto& check : checks) {
        std::string zero;
        if (!FirstRowIs(db, check[0], "0", "check of the profile", &zero)) {
            *reason = check[1];
            return false;
        }
    }
    return true;
}

}  // namespace

bool DataCheckCopy(const std::string& file, bool strict, std::string* reason) {
    std::string error;
    sqlite3* db = DataOpenForRead(file, &error);
    if (db == nullptr) {
        *reason = error;
        return false;
    }
    bool ok = (!strict || FirstRowIs(db, "PRAGMA quick_check;", "ok", "quick check", reason)) &&
              FirstRowIs(db, "PRAGMA integrity_check;", "ok", "integrity check", reason);
    if (ok && strict) ok = ExactSchema(db, reason) && SoundRows(db, reason);
    for (size_t i = 0; ok && !strict && i < kStoreTableCount; ++i) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?;", -1, &stmt,
                           nullptr);
        sqlite3_bind_text(stmt, 1, kStoreTables[i].pszName, -1, SQLITE_STATIC);
        if (sqlite3_step(stmt) != SQLITE_ROW) {
            *reason = std::string("no table ") + kStoreTables[i].pszName;
            ok = false;
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return ok;
}
