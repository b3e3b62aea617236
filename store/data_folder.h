// Where Movimetra keeps its database, and where an installed program finds its shared files.
// Shared by the program and the movimetra-data tool, so both open the same file: plain strings,
// no platform calls (each caller gathers the facts its own way).
#pragma once

#include <string>

// The database's file name inside the data folder.
inline constexpr char kDatabaseFileName[] = "Movimetra.db";
// The environment variable that names the data folder outright.
inline constexpr char kDataDirVariable[] = "MOVIMETRA_DATA_DIR";

// What is known about the folder that holds the executable.
struct ProgramFolderFacts {
    bool bHasImages = false;        // "img" beside the executable: a build tree or a copied program
    bool bInstalledLayout = false;  // the install's shared images relative to it (InstalledShareDir)
    bool bWritable = false;         // files can be created in it
    bool bHasDatabase = false;      // the database file is already there
};

enum class DataFolderKind {
    Override,       // MOVIMETRA_DATA_DIR
    ProgramFolder,  // beside the executable, as a build tree or a copied program has it
    UserData,       // the user's data home: an installed program, or a folder it cannot write
};

// The rule: the variable wins; an installed program (shared files in the install, no images
// beside it) keeps its data in the user's data home; otherwise the executable's folder, unless
// it can neither be written nor holds a database already.
DataFolderKind ChooseDataFolder(bool bHasOverride, const ProgramFolderFacts& facts);

// The user's data folder for Movimetra: $XDG_DATA_HOME (when it is an absolute path) or
// $HOME/.local/share, followed by "/movimetra-history". Empty when neither gives an absolute path.
// Its name differs from the install's shared folder ("share/movimetra"), so that an install into
// ~/.local never writes into, or removes, the history.
std::string UserDataFolder(const char* xdgDataHome, const char* home);
// Where earlier versions kept it ("/movimetra" instead): a database found there and not in the
// new folder is moved once.
std::string LegacyUserDataFolder(const char* xdgDataHome, const char* home);
// Bytes of the database file locked by its users (advisory locks that SQLite never takes): the
// program holds the first for its whole run; the data tool, while it writes, holds the second
// and then the first. A program that finds the first held and the second free is not alone.
inline constexpr unsigned kProgramLockByte = 0;
inline constexpr unsigned kToolLockByte = 1;
// Files beside a database that belong to it and move with it.
inline constexpr char kDatabaseJournalSuffix[] = "-journal";

// Folders of an install relative to the folder of the installed executable, e.g.
// "../share/movimetra" (the images are in its "img") and "../lib/movimetra" (the date picker).
const char* InstalledShareDir();
const char* InstalledLibraryDir();
