// movimetra-data: export, import, backup and restore of the history. The whole command line in
// one call, so tests can run it in-process.
#pragma once

#include <cstdio>

// Runs the tool; output goes to `out`, messages to `err`. Returns the exit status: 0 success,
// 1 a failure (a bad file, a busy or damaged database, the program running), 2 bad usage.
int DataToolMain(int argc, char** argv, std::FILE* out, std::FILE* err);
