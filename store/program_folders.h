// The program's folders, found through the platform: the executable's folder and the data
// folder that holds the database (the rule is in data_folder.h).
#pragma once

#include <string>

// The running executable's folder, followed by '/'.
std::wstring ProgramExeFolder();
// The folder of the database, followed by '/'. A named folder (MOVIMETRA_DATA_DIR) or the
// user's data folder is created when missing, private to the user.
std::wstring ProgramDataFolder();
