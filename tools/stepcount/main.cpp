#include <cstdio>

#include "tools/stepcount/stepcount.h"

int main(int argc, char** argv) {
    return RunStepcount(argc, argv, stdin, stdout, stderr);
}
