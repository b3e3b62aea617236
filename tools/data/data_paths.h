// Where the data tool finds the database without --db (the program's own rule, data_folder.h,
// with the facts gathered from the tool's folder), and whether another process has it open.
#pragma once

#include <sys/types.h>

#include <string>

// The database path for a tool at `exePath`: its folder is the program's folder (both are
// installed, or built, side by side). `create` makes a missing data folder (mode 0700). The
// folder's symbolic links are resolved; when it is not a folder of the user's that only the user
// may write, *problem says so (and nothing may be made there). A database left in the user data
// folder of earlier versions is moved into the new one.
std::string DataDefaultDatabasePath(const std::string& exePath, bool create, std::string* problem);
// The running executable's path.
std::string DataExecutablePath();
// A process other than this one that has the file open (the program keeps its database open
// while it runs), or 0 for none.
pid_t DataProcessUsing(const std::string& file);
// Creates the folder that is to hold `file` with missing parents (0700) if needed.
void DataMakeFolderFor(const std::string& file);
