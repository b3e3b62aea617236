// movimetra-make-recording: writes a synthetic walk as a recording file (or to standard
// output), for tests, benchmarks and trying the replay sensor.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "recording/walk_signal.h"

namespace {

const char kUsage[] =
    "usage: movimetra-make-recording [--freq HZ] [--amp A] [--samples N] [--interval MS] [OUT]\n"
    "Writes N readings (default 600) of a synthetic walk at HZ cycles per second (default 1.8)\n"
    "with amplitude A (default 4.0), one reading every MS milliseconds (default 60), as\n"
    "\"interval_ms,x,y,z\" lines to OUT or to standard output.\n";

bool ParseNumber(const char* text, double lo, double hi, double* value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    double v = strtod(text, &end);
    if (errno || *end || !(v >= lo && v <= hi)) return false;
    *value = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    WalkSignal walk;
    double samples = 600;
    double interval = walk.nIntervalMs;
    const char* outPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        struct NumberOption {
            const char* name;
            double* value;
            double lo, hi;
        };
        const NumberOption numbers[] = {{"--freq", &walk.dFrequency, 0, 100},
                                        {"--amp", &walk.dAmplitude, 0, 100},
                                        {"--samples", &samples, 0, 1e12},
                                        {"--interval", &interval, 0, 65535}};
        const NumberOption* number = nullptr;
        for (const NumberOption& n : numbers)
            if (!strcmp(arg, n.name)) number = &n;
        bool ok = true;
        if (number) {
            ok = ParseNumber(i + 1 < argc ? argv[++i] : nullptr, number->lo, number->hi, number->value);
        } else if (!strcmp(arg, "--help")) {
            fputs(kUsage, stdout);
            return 0;
        } else if ((arg[0] == '-' && arg[1]) || outPath) {
            ok = false;
        } else {
            outPath = arg;
        }
        if (!ok) {
            fprintf(stderr, "movimetra-make-recording: bad argument '%s'\n%s", arg, kUsage);
            return 2;
        }
    }
    walk.nIntervalMs = static_cast<int>(interval);

    FILE* out = outPath ? fopen(outPath, "w") : stdout;
    if (!out) {
        fprintf(stderr, "movimetra-make-recording: cannot create %s: %s\n", outPath, strerror(errno));
        return 2;
    }
    fprintf(out, "# synthetic walk: %.3f cycles/s, amplitude %.3f, %d ms per reading\n", walk.dFrequency,
            walk.dAmplitude, walk.nIntervalMs);
    fprintf(out, "# interval_ms,x,y,z\n");
    const long count = static_cast<long>(samples);
    for (long k = 1; k <= count; ++k) {
        int16_t x, y, z;
        walk.Reading(k, &x, &y, &z);
        fprintf(out, "%d,%d,%d,%d\n", walk.nIntervalMs, x, y, z);
    }
    bool failed = ferror(out) != 0;
    if (outPath)
        failed = (fclose(out) != 0) || failed;
    else
        failed = (fflush(out) != 0) || failed;
    if (failed) {
        fprintf(stderr, "movimetra-make-recording: write failed: %s\n", strerror(errno));
        return 1;
    }
    return 0;
}
