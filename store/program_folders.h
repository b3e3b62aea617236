// The program's folders, found through the platform: the executable's folder and the data
// folder that holds the database (the rule is in data_folder.h).
#pragma once

#include <string>

// The running executable's folder, followed by '/'.
std::wstring ProgramExeFolder();
// The folder of the database (symbolic links resolved), followed by '/'. A named folder
// (MOVIMETRA_DATA_DIR) or the user's data folder is created when missing, private to the user;
// a database in the user's data folder of earlier versions is moved into it once. When the folder
// is not a folder of the user's that only the user may write, *problem (if given) says why and
// nothing may be created there.
std::wstring ProgramDataFolder(std::string* problem = nullptr);
