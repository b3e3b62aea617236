#include "tools/data/data_tool.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/data/data_csv.h"
#include "tools/data/data_db.h"
#include "tools/data/data_json.h"
#include "tools/data/data_paths.h"

namespace {

const char kUsage[] =
    "usage: movimetra-data [--db PATH] VERB ...\n"
    "  export [--from DATE] [--to DATE] [--format csv|json] [FILE]   the history (to standard output\n"
    "                                                                without FILE); DATE is YYYY-MM-DD\n"
    "  import FILE     rows of an exported CSV or JSON file ('-' reads standard input); rows\n"
    "                  already there are skipped; a bad line imports nothing; not while\n"
    "                  Movimetra runs\n"
    "  backup FILE     a consistent copy of the database, also while Movimetra runs\n"
    "  restore FILE    replaces the database with a checked copy; not while Movimetra runs\n"
    "Without --db: MOVIMETRA_DATA_DIR, else the program's own folder (a build) or\n"
    "$XDG_DATA_HOME/movimetra (an install), file Movimetra.db.\n";

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

bool ReadAll(const std::string& file, std::string* text) {
    if (file == "-") {
        text->assign(std::istreambuf_iterator<char>(std::cin.rdbuf()), std::istreambuf_iterator<char>());
        return true;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa;
    struct stat sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string RunningMessage(pid_t pid, const std::string& dbPath) {
    return "Movimetra is running (process " + std::to_string(pid) + " has " + dbPath +
           " open); close it first.";
}

int Export(Args& args, const std::string& dbPath, std::FILE* out, std::FILE* err) {
    std::string from;
    std::string to;
    std::string format = "csv";
    std::string file;
    while (args.More()) {
        std::string arg = args.Next();
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
    bool ok = DataReadRows(db, from, to, &rows, &error);
    sqlite3_close(db);
    if (!ok) return Fail(err, dbPath + ": " + error);

    std::string text;
    if (format == "csv") {
        text = DataCsvHeader();
        for (const auto& row : rows) text += DataCsvLine(row);
    } else if (rows.empty()) {
        text = "[]\n";
    } else {
        text = DataJsonBegin();
        for (size_t i = 0; i < rows.size(); ++i) text += DataJsonLine(rows[i], i == 0);
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

    std::string text;
    if (!ReadAll(file, &text)) return Fail(err, name + ": " + std::strerror(errno));
    size_t first = text.find_first_not_of(" \t\r\n");
    const bool json = first != std::string::npos && text[first] == '[';
    std::vector<DataRecord> records;
    DataParseError parseError;
    if (!(json ? DataJsonRead(text, &records, &parseError) : DataCsvRead(text, &records, &parseError))) {
        std::fprintf(err, "%s:%zu: %s\n", name.c_str(), parseError.nLine, parseError.reason.c_str());
        return Fail(err, "nothing was imported");
    }

    std::vector<DataRow> rows;
    size_t bad = 0;
    for (const DataRecord& record : records) {
        DataRow row;
        std::string reason;
        if (DataRowFromRecord(record, &row, &reason)) {
            rows.push_back(row);
        } else if (++bad <= kMaxListedErrors) {
            std::fprintf(err, "%s:%zu: %s\n", name.c_str(), record.nLine, reason.c_str());
        }
    }
    if (bad > 0) {
        if (bad > kMaxListedErrors) std::fprintf(err, "%s: %zu bad lines in all\n", name.c_str(), bad);
        return Fail(err, "nothing was imported");
    }

    // The running program updates today's newest row by its number: a row imported for today
    // would become that row and be overwritten. Imports wait until the program is closed.
    if (pid_t pid = DataProcessUsing(dbPath))
        return Fail(err, RunningMessage(pid, dbPath) + " Nothing was imported");
    std::string error;
    DataMakeFolderFor(dbPath);
    sqlite3* db = DataOpenForWrite(dbPath, &error);
    if (db == nullptr) return Fail(err, error + "; nothing was imported");
    DataImportCounts counts;
    bool ok = DataWriteRows(db, rows, &counts, &error);
    sqlite3_close(db);
    if (!ok) return Fail(err, dbPath + ": " + error + "; nothing was imported");
    std::fprintf(out, "imported %zu rows, skipped %zu already there\n", counts.nAdded, counts.nSkipped);
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
    if (pid_t pid = DataProcessUsing(dbPath))
        return Fail(err, RunningMessage(pid, dbPath) + " Nothing was replaced");
    std::string error;
    DataMakeFolderFor(dbPath);
    if (!DataRestore(file, dbPath, &error)) return Fail(err, error);
    std::fprintf(out, "restored %s from %s\n", dbPath.c_str(), file.c_str());
    return 0;
}

}  // namespace

int DataToolMain(int argc, char** argv, std::FILE* out, std::FILE* err) {
    Args args;
    for (int i = 1; i < argc; ++i) args.items.push_back(argv[i]);
    std::string dbPath;
    while (args.More() && args.items[args.pos].rfind("--", 0) == 0) {
        std::string option = args.Next();
        if (option == "--help") {
            std::fputs(kUsage, out);
            return 0;
        }
        if (option == "--db" && args.More()) {
            dbPath = args.Next();
        } else if (option.rfind("--db=", 0) == 0) {
            dbPath = option.substr(5);
        } else {
            return Usage(err, "unknown option " + option);
        }
    }
    if (!args.More()) return Usage(err, "");
    std::string verb = args.Next();
    const bool writes = verb == "import" || verb == "restore";
    if (dbPath.empty()) dbPath = DataDefaultDatabasePath(DataExecutablePath(), writes);
    if (verb == "export") return Export(args, dbPath, out, err);
    if (verb == "import") return Import(args, dbPath, out, err);
    if (verb == "backup") return Backup(args, dbPath, out, err);
    if (verb == "restore") return Restore(args, dbPath, out, err);
    return Usage(err, "unknown verb " + verb);
}
