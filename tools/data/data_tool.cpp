#include "tools/data/data_tool.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "tools/data/data_check.h"
#include "tools/data/data_csv.h"
#include "tools/data/data_db.h"
#include "tools/data/data_import.h"
#include "tools/data/data_input.h"
#include "tools/data/data_json.h"
#include "tools/data/data_lock.h"
#include "tools/data/data_paths.h"

namespace {

const char kUsage[] =
    "usage: movimetra-data [--db PATH] VERB ...   (--db may also come after the verb)\n"
    "  export [--from DATE] [--to DATE] [--format csv|json] [--hours] [FILE]   the history (to\n"
    "                  standard output without FILE), or its steps by the hour; DATE is YYYY-MM-DD\n"
    "  import FILE     rows of an exported CSV or JSON file of days or hours ('-' reads standard\n"
    "                  input); rows already there are skipped; a bad line imports nothing;\n"
    "                  not while Movimetra runs\n"
    "  backup FILE     a consistent copy of the database, also while Movimetra runs\n"
    "  restore FILE    replaces the database with a checked copy; not while Movimetra runs;\n"
    "                  the database replaced is kept beside it\n"
    "Without --db: MOVIMETRA_DATA_DIR, else the program's own folder (a build) or\n"
    "$XDG_DATA_HOME/movimetra-history (an install), file Movimetra.db.\n";

// Errors after this many are counted, not listed.
constexpr size_t kMaxListedErrors = 20;

struct Args {
    std::vector<std::string> items;
    size_t pos = 0;
    bool More() const { return pos < items.size(); }
    const std::string& Next() { return items[pos++]; }
};

int Usage(std::FILE* err, const std::string& problem) {
    if (!problem.empty()) std::fprintf(err, "movimetra-data: %s\n", problem.c_str());
    std::fputs(kUsage, err);
    return 2;
}

int Fail(std::FILE* err, const std::string& message) {
    std::fprintf(err, "movimetra-data: %s\n", message.c_str());
    return 1;
}

// "1 row", "2 rows".
std::string Count(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa;
    struct stat sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string RunningMessage(const std::string& dbPath) {
    if (pid_t pid = DataProcessUsing(dbPath))
        return "Movimetra is running (process " + std::to_string(pid) + " has " + dbPath +
               " open); close it first.";
    return "Movimetra is running on " + dbPath + "; close it first.";
}

// Takes the database's lock for writing; false (with the message written) when it cannot.
bool LockForWriting(CDataLock* lock, const std::string& dbPath, const char* nothing, std::FILE* err) {
    std::string error;
    switch (lock->Take(dbPath, &error)) {
        case CDataLock::Result::Held:
            return true;
        case CDataLock::Result::ProgramRuns:
            Fail(err, RunningMessage(dbPath) + " " + nothing);
            return false;
        case CDataLock::Result::Failed:
            break;
    }
    Fail(err, error + "; " + nothing);
    return false;
}

int Export(Args& args, const std::string& dbPath, std::FILE* out, std::FILE* err) {
    std::string from;
    std::string to;
    std::string format = "csv";
    std::string file;
    bool hours = false;
    while (args.More()) {
        std::string arg = args.Next();
        if (arg == "--hours") {
            hours = true;
            continue;
        }
        if ((arg == "--from" || arg == "--to" || arg == "--format") && !args.More())
            return Usage(err, arg + " needs a value");
        if (arg == "--from") {
            from = args.Next();
            if (!DataIsDate(from)) return Usage(err, "--from " + from + " is not a date (YYYY-MM-DD)");
        } else if (arg == "--to") {
            to = args.Next();
            if (!DataIsDate(to)) return Usage(err, "--to " + to + " is not a date (YYYY-MM-DD)");
        } else if (arg == "--format") {
            format = args.Next();
            if (format != "csv" && format != "json") return Usage(err, "unknown format " + format);
        } else if (file.empty() && (arg.empty() || arg[0] != '-' || arg == "-")) {
            file = arg;
        } else {
            return Usage(err, "unexpected argument " + arg);
        }
    }

    std::string error;
    sqlite3* db = DataOpenForRead(dbPath, &error);
    if (db == nullptr) return Fail(err, error);
    std::vector<std::vector<DataCell>> rows;
    bool ok = hours ? DataReadHours(db, from, to, &rows, &error) : DataReadRows(db, from, to, &rows, &error);
    sqlite3_close(db);
    if (!ok) return Fail(err, dbPath + ": " + error);

    std::string text;
    if (format == "csv") {
        text = DataCsvHeader(hours);
        for (const auto& row : rows) text += DataCsvLine(row);
    } else if (rows.empty()) {
        text = "[]\n";
    } else {
        text = DataJsonBegin();
        for (size_t i = 0; i < rows.size(); ++i) text += DataJsonLine(rows[i], i == 0, hours);
        text += DataJsonEnd();
    }

    if (file.empty() || file == "-") {
        if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0)
            return Fail(err, "cannot write to standard output");
        return 0;
    }
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (f == nullptr) return Fail(err, file + ": " + std::strerror(errno));
    bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    written = std::fclose(f) == 0 && written;
    if (!written) return Fail(err, file + ": cannot write: " + std::strerror(errno));
    return 0;
}

int Import(Args& args, const std::string& dbPath, std::FILE* out, std::FILE* err) {
    if (!args.More()) return Usage(err, "import needs a FILE");
    std::string file = args.Next();
    if (args.More()) return Usage(err, "unexpected argument " + args.Next());
    const std::string name = file == "-" ? "<stdin>" : file;

    CDataInput input;
    std::string error;
    if (!input.Open(file, &error)) return Fail(err, error);
    std::string_view text = input.Text();
    size_t first = text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    first = text.find_first_not_of(" \t\r\n", first);
    const bool json = first != std::string::npos && (text[first] == '[' || text[first] == '{');

    // The program updates today's newest row by its number: a row imported for today would become
    // that row and be overwritten. The lock keeps the program out until the import is done.
    DataMakeFolderFor(dbPath);
    CDataLock lock;
    if (!LockForWriting(&lock, dbPath, "Nothing was imported.", err)) return 1;
    sqlite3* db = DataOpenForWrite(dbPath, &error);
    if (db == nullptr) return Fail(err, error + "; nothing was imported");
    CDataImport import;
    bool written = import.Begin(db, &error);
    // Rows are checked and written as they are read; a bad one stops the writing, and the rest
    // is still read for its errors.
    size_t bad = 0;
    int kind = -1;  // 0 days, 1 hours
    auto take = [&](DataRecord& record) {
        input.Done(record.nEnd);
        // A file holds days or hours, as its header or first row says.
        if (kind < 0) kind = record.bHours ? 1 : 0;
        DataRow row;
        DataHourRow hour;
        std::string reason;
        bool sound = record.bHours == (kind == 1);
        if (!sound)
            reason =
                record.bHours ? "a row of hours among rows of days" : "a row of days among rows of hours";
        else
            sound = record.bHours ? DataHourRowFromRecord(record, &hour, &reason)
                                  : DataRowFromRecord(record, &row, &reason);
        if (!sound) {
            if (++bad <= kMaxListedErrors)
                std::fprintf(err, "%s:%zu: %s\n", name.c_str(), record.nLine, reason.c_str());
            return true;
        }
        if (written && bad == 0)
            written = record.bHours ? import.AddHour(hour, &error) : import.Add(row, &error);
        return written;
    };
    DataParseError parseError;
    bool parsed = json ? DataJsonRead(text, take, &parseError) : DataCsvRead(text, take, &parseError);
    if (!parsed) std::fprintf(err, "%s:%zu: %s\n", name.c_str(), parseError.nLine, parseError.reason.c_str());
    if (bad > kMaxListedErrors)
        std::fprintf(err, "%s: %s in all\n", name.c_str(), Count(bad, "bad line", "bad lines").c_str());
    if (!parsed || bad > 0) {
        import.Rollback();
        sqlite3_close(db);
        return Fail(err, "nothing was imported");
    }
    if (written) written = import.Commit(&error);
    sqlite3_close(db);
    if (!written) return Fail(err, dbPath + ": " + error + "; nothing was imported");
    const DataImportCounts& counts = import.Counts();
    std::fprintf(out, "imported %s%s, skipped %zu already there\n",
                 Count(counts.nAdded, "row", "rows").c_str(), kind == 1 ? " of hours" : "", counts.nSkipped);
    return 0;
}

int Backup(Args& args, const std::string& dbPath, std::FILE* out, std::FILE* err) {
    if (!args.More()) return Usage(err, "backup needs a FILE");
    std::string file = args.Next();
    if (args.More()) return Usage(err, "unexpected argument " + args.Next());
    if (SameFile(file, dbPath)) return Fail(err, file + " is the database itself");
    std::string error;
    sqlite3* db = DataOpenForRead(dbPath, &error);
    if (db == nullptr) return Fail(err, error);
    bool ok = DataBackup(db, file, &error);
    sqlite3_close(db);
    if (!ok) return Fail(err, file + ": " + error);
    std::fprintf(out, "backed up %s to %s\n", dbPath.c_str(), file.c_str());
    return 0;
}

int Restore(Args& args, const std::string& dbPath, std::FILE* out, std::FILE* err) {
    if (!args.More()) return Usage(err, "restore needs a FILE");
    std::string file = args.Next();
    if (args.More()) return Usage(err, "unexpected argument " + args.Next());
    if (SameFile(file, dbPath)) return Fail(err, file + " is the database itself");
    std::string reason;
    if (!DataCheckCopy(file, true, &reason)) {
        // The copy was taken while a write was under way: SQLite must finish it (roll it back)
        // before anything reads the copy, and it never writes to a file it only restores from.
        struct stat st;
        if (stat((file + "-journal").c_str(), &st) == 0 && st.st_size > 0)
            return Fail(err, file + ": a copy with an unfinished write beside it (" + file +
                                 "-journal: the file was copied while a program was writing). Keep the "
                                 "two files together, let SQLite finish the write by opening the copy "
                                 "once (sqlite3 " +
                                 file +
                                 " 'PRAGMA quick_check;'), then restore it again; or restore a "
                                 "copy made with movimetra-data backup. Nothing was replaced");
        return Fail(err, file + ": not a database Movimetra could have written (" + reason +
                             "); nothing was replaced");
    }
    DataMakeFolderFor(dbPath);
    CDataLock lock;
    if (!LockForWriting(&lock, dbPath, "Nothing was replaced.", err)) return 1;
    std::string error;
    DataRestoreReport report;
    if (!DataRestore(file, dbPath, &report, &error)) return Fail(err, error + "; nothing was replaced");
    std::fprintf(out, "restored %s from %s\n", dbPath.c_str(), file.c_str());
    if (!report.kept.empty()) {
        std::fprintf(out, "the database it replaced is kept as %s\n", report.kept.c_str());
        if (report.nDaysLost > 0)
            std::fprintf(out, "that one holds %s the restored copy lacks\n",
                         Count(report.nDaysLost, "day", "days").c_str());
    }
    return 0;
}

}  // namespace

int DataToolMain(int argc, char** argv, std::FILE* out, std::FILE* err) {
    // Global options anywhere on the line; "--" ends them (a file may start with "--").
    Args args;
    std::string dbPath;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--help") {
            std::fputs(kUsage, out);
            return 0;
        } else if (options && arg == "--db") {
            if (i + 1 >= argc) return Usage(err, "--db needs a PATH");
            dbPath = argv[++i];
        } else if (options && arg.rfind("--db=", 0) == 0) {
            dbPath = arg.substr(5);
        } else {
            args.items.push_back(arg);
        }
    }
    if (!args.More()) return Usage(err, "");
    std::string verb = args.Next();
    if (verb.rfind("--", 0) == 0) return Usage(err, "unknown option " + verb);
    const bool writes = verb == "import" || verb == "restore";
    if (dbPath.empty()) {
        std::string problem;
        dbPath = DataDefaultDatabasePath(DataExecutablePath(), writes, &problem);
        if (!problem.empty()) return Fail(err, "Cant open database " + dbPath + ": " + problem);
    }
    if (verb == "export") return Export(args, dbPath, out, err);
    if (verb == "import") return Import(args, dbPath, out, err);
    if (verb == "backup") return Backup(args, dbPath, out, err);
    if (verb == "restore") return Restore(args, dbPath, out, err);
    return Usage(err, "unknown verb " + verb);
}
