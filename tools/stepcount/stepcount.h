// movimetra-stepcount: replays a recording through the step detector exactly as the engine
// feeds it (raw readings times 0.001, the interval as 16 bits, the engine's idle rule:
// engine/detector_feed.h) and prints the totals.
#pragma once

#include <cstdio>
#include <string>

struct StepcountOptions {
    double dHeight = 178.0;
    double dWeight = 72.0;
    bool bBodyGiven = false;  // SetUserBody only when --height or --weight was given
    bool bTrace = false;
    bool bExact = false;  // hexadecimal floating point: builds compare bit for bit
    bool bHelp = false;
    const char* pszInput = nullptr;  // "-" for standard input
};

// Reads the command line; false with a reason in *error for anything not understood.
bool ParseStepcountArgs(int argc, char** argv, StepcountOptions* options, std::string* error);

// The whole program: exit status 0 on success, 2 for bad options, an unreadable file or a bad
// line (reported as "<file>:<line>: <reason>" on err, with no totals printed). `in` is read for "-".
int RunStepcount(int argc, char** argv, FILE* in, FILE* out, FILE* err);

extern const char kStepcountUsage[];
