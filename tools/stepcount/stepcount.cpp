#include "tools/stepcount/stepcount.h"

#include <poll.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/detector_feed.h"
#include "engine/step_detector.h"
#include "recording/recording_reader.h"

const char kStepcountUsage[] =
    "usage: movimetra-stepcount [--height CM] [--weight KG] [--trace] [--exact] FILE\n"
    "Replays a recording (one \"interval_ms,x,y,z\" line per reading, raw signed 16-bit values)\n"
    "through the step detector and prints: steps=<n> distance_m=<metres> kcal=<kilocalories>\n"
    "  --height CM   body height in centimetres (default 178)\n"
    "  --weight KG   body weight in kilograms (default 72)\n"
    "  --trace       also print one line per reading that changed the step count\n"
    "  --exact       print distance and kcal as hexadecimal floating point, every bit shown\n"
    "  FILE          the recording; '-' reads standard input\n";

namespace {

bool ParseBodyValue(const char* text, double* value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    double v = strtod(text, &end);
    if (errno || *end || !std::isfinite(v) || v <= 0) return false;
    *value = v;
    return true;
}

// "steps=<n> distance_m=<m> kcal=<k>", rounded to 7 decimals or, exact, in hexadecimal.
void PrintTotals(FILE* out, const StepInfo& info, bool exact) {
    if (exact)
        fprintf(out, "steps=%d distance_m=%a kcal=%a\n", info.nStepCount, info.dDistance, info.dCalories);
    else
        fprintf(out, "steps=%d distance_m=%.7f kcal=%.7f\n", info.nStepCount, info.dDistance, info.dCalories);
}

}  // namespace

bool ParseStepcountArgs(int argc, char** argv, StepcountOptions* options, std::string* error) {
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!endOfOptions && arg[0] == '-' && arg[1] == '-') {
            if (!arg[2]) {
                endOfOptions = true;
                continue;
            }
            if (!strcmp(arg, "--trace")) {
                options->bTrace = true;
                continue;
            }
            if (!strcmp(arg, "--exact")) {
                options->bExact = true;
                continue;
            }
            if (!strcmp(arg, "--help")) {
                options->bHelp = true;
                continue;
            }
            const char* name = arg + 2;
            const char* eq = strchr(name, '=');
            size_t nameLen = eq ? static_cast<size_t>(eq - name) : strlen(name);
            bool isHeight = nameLen == 6 && !strncmp(name, "height", 6);
            bool isWeight = nameLen == 6 && !strncmp(name, "weight", 6);
            if (!isHeight && !isWeight) {
                *error = std::string("unknown option ") + arg;
                return false;
            }
            const char* value = eq ? eq + 1 : (i + 1 < argc ? argv[++i] : nullptr);
            if (!value) {
                *error = std::string("missing value for --") + std::string(name, nameLen);
                return false;
            }
            double* target = isHeight ? &options->dHeight : &options->dWeight;
            if (!ParseBodyValue(value, target)) {
                *error = std::string("--") + std::string(name, nameLen) + " needs a positive number, not '" +
                         value + "'";
                return false;
            }
            options->bBodyGiven = true;
            continue;
        }
        if (!endOfOptions && arg[0] == '-' && arg[1] && arg[1] != '-') {
            *error = std::string("unknown option ") + arg;
            return false;
        }
        if (options->pszInput) {
            *error = "only one recording can be given";
            return false;
        }
        options->pszInput = arg;
    }
    if (!options->pszInput && !options->bHelp) {
        *error = "no recording given";
        return false;
    }
    return true;
}

int RunStepcount(int argc, char** argv, FILE* in, FILE* out, FILE* err) {
    StepcountOptions options;
    std::string error;
    if (!ParseStepcountArgs(argc, argv, &options, &error)) {
        fprintf(err, "movimetra-stepcount: %s\n%s", error.c_str(), kStepcountUsage);
        return 2;
    }
    if (options.bHelp) {
        fputs(kStepcountUsage, out);
        return 0;
    }

    const bool fromStdin = !strcmp(options.pszInput, "-");
    const char* name = fromStdin ? "<stdin>" : options.pszInput;
    CRecordingReader reader(1 << 20);
    if (fromStdin) {
        reader.Attach(fileno(in), name);
    } else if (!reader.Open(options.pszInput, false)) {
        fprintf(err, "movimetra-stepcount: cannot open %s: %s\n", name, strerror(reader.ErrorNumber()));
        return 2;
    }

    InitStepDetector();
    if (options.bBodyGiven) {
        UserBody body{options.dWeight, options.dHeight};
        SetUserBody(&body);
    }

    // The reading goes to the detector under the engine's own rules (a replay has no resumes).
    CDetectorFeed feed;
    feed.Start();
    RecordingReading reading;
    StepInfo info{};
    int32_t lastSteps = 0;
    unsigned long long sample = 0;
    CRecordingReader::Result result;
    while ((result = reader.Next(&reading)) != CRecordingReader::kEnd && result != CRecordingReader::kError) {
        if (result == CRecordingReader::kPending) {
            // Standard input left non-blocking by whoever handed it over.
            pollfd p{fileno(in), POLLIN, 0};
            poll(&p, 1, -1);
            continue;
        }
        AccelSample s{reading.nX * 0.001, reading.nY * 0.001, reading.nZ * 0.001};
        ++sample;
        if (feed.Feed(s, reading.nIntervalMs, false, lastSteps, &info).bNewStep) {
            lastSteps = info.nStepCount;
            if (options.bTrace) {
                fprintf(out, "sample=%llu ", sample);
                PrintTotals(out, info, options.bExact);
            }
        }
    }

    if (result == CRecordingReader::kError) {
        if (reader.IsFileError())
            fprintf(err, "movimetra-stepcount: cannot read %s: %s\n", name, strerror(reader.ErrorNumber()));
        else
            fprintf(err, "%s\n", reader.Error().c_str());
        return 2;
    }
    GetStepInfo(&info);
    PrintTotals(out, info, options.bExact);
    if (fflush(out) != 0 || ferror(out)) {
        fprintf(err, "movimetra-stepcount: cannot write the result: %s\n", strerror(errno));
        return 2;
    }
    return 0;
}
