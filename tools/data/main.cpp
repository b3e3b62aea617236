// movimetra-data: the history out of and into the database, and its backup.
#include <cstdio>

#include "tools/data/data_tool.h"

int main(int argc, char** argv) {
    return DataToolMain(argc, argv, stdout, stderr);
}
