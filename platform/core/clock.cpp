// The platform clock: the real one (CLOCK_MONOTONIC for ticks, the system time and TZ for dates)
// or the manual clock of tests, which starts at a given local time and moves only when told to.
#include <time.h>

#include <cstdio>

#include "platform/core/core_state.h"
#include "platform/win_time.h"

namespace mv {

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int* y, unsigned* m, unsigned* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (m == 2 && IsLeap(y)) ? 29 : kDays[m - 1];
}

// Splits seconds since 1970 (of whichever zone) into a SYSTEMTIME.
void Split(int64_t seconds, int ms, SYSTEMTIME* st) {
    int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    int64_t rem = seconds - days * 86400;
    int y;
    unsigned m, d;
    CivilFromDays(days, &y, &m, &d);
    st->wYear = static_cast<WORD>(y);
    st->wMonth = static_cast<WORD>(m);
    st->wDay = static_cast<WORD>(d);
    st->wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    st->wHour = static_cast<WORD>(rem / 3600);
    st->wMinute = static_cast<WORD>(rem / 60 % 60);
    st->wSecond = static_cast<WORD>(rem % 60);
    st->wMilliseconds = static_cast<WORD>(ms);
}

// UTC seconds of a local time, by the system's zone rules (TZ).
int64_t LocalToUtc(int64_t localSeconds) {
    time_t t = static_cast<time_t>(localSeconds);
    struct tm tm {};
    gmtime_r(&t, &tm);
    tm.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&tm));
}

int64_t UtcToLocal(int64_t utcSeconds) {
    time_t t = static_cast<time_t>(utcSeconds);
    struct tm tm {};
    localtime_r(&t, &tm);
    return static_cast<int64_t>(timegm(&tm));
}

constexpr int64_t kFileTimeEpochDays = -134774;  // 1601-01-01 relative to 1970-01-01

}  // namespace

int64_t RealMonotonicMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int64_t NowMs() {
    return CoreState().manual.load() ? CoreState().manualMs.load() : RealMonotonicMs();
}

void SetManualNowLocked(int64_t ms) {
    if (ms > CoreState().manualMs.load()) CoreState().manualMs.store(ms);
}

int64_t CurrentLocalSecondsForStart() {
    return UtcToLocal(static_cast<int64_t>(time(nullptr)));
}

}  // namespace mv

using namespace mv;

DWORD GetTickCount() {
    return static_cast<DWORD>(NowMs());
}

ULONGLONG GetTickCount64() {
    return static_cast<ULONGLONG>(NowMs());
}

bool MvStepWallClock(int64_t seconds) {
    Core& g = CoreState();
    if (!g.manual.load()) return false;
    Lock lk(g.mutex);
    g.manualStartLocal += seconds;
    return true;
}

bool MvIsManualClock() {
    return CoreState().manual.load();
}

int64_t MvLocalSeconds() {
    Core& g = CoreState();
    if (g.manual.load()) {
        Lock lk(g.mutex);
        return g.manualStartLocal + g.manualMs.load() / 1000;
    }
    return UtcToLocal(static_cast<int64_t>(time(nullptr)));
}

// Under the manual clock: its local time as whole seconds and the milliseconds past them.
static bool ManualLocalNow(int64_t* seconds, int* ms) {
    Core& g = CoreState();
    if (!g.manual.load()) return false;
    int64_t elapsed;
    int64_t start;
    {
        Lock lk(g.mutex);
        elapsed = g.manualMs.load();
        start = g.manualStartLocal;
    }
    *seconds = start + elapsed / 1000;
    *ms = static_cast<int>(elapsed % 1000);
    return true;
}

void GetLocalTime(LPSYSTEMTIME st) {
    if (st == nullptr) return;
    int64_t seconds;
    int ms;
    if (ManualLocalNow(&seconds, &ms)) {
        Split(seconds, ms, st);
        return;
    }
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    Split(UtcToLocal(ts.tv_sec), static_cast<int>(ts.tv_nsec / 1000000), st);
}

void GetSystemTime(LPSYSTEMTIME st) {
    if (st == nullptr) return;
    int64_t seconds;
    int ms;
    if (ManualLocalNow(&seconds, &ms)) {
        Split(LocalToUtc(seconds), ms, st);
        return;
    }
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    Split(ts.tv_sec, static_cast<int>(ts.tv_nsec / 1000000), st);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME ft) {
    if (st == nullptr || ft == nullptr) return FALSE;
    if (st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 ||
        st->wDay > DaysInMonth(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59 ||
        st->wSecond > 59 || st->wMilliseconds > 999)
        return FALSE;
    int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay) - kFileTimeEpochDays;
    uint64_t seconds =
        static_cast<uint64_t>(days) * 86400 + st->wHour * 3600u + st->wMinute * 60u + st->wSecond;
    uint64_t ticks = seconds * 10000000ull + st->wMilliseconds * 10000ull;
    ft->dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    ft->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* ft, LPSYSTEMTIME st) {
    if (ft == nullptr || st == nullptr) return FALSE;
    uint64_t ticks = (static_cast<uint64_t>(ft->dwHighDateTime) << 32) | ft->dwLowDateTime;
    if (ticks > 0x7FFFFFFFFFFFFFFFull) return FALSE;
    uint64_t seconds = ticks / 10000000ull;
    int ms = static_cast<int>((ticks / 10000ull) % 1000);
    int64_t unixSeconds = static_cast<int64_t>(seconds) + kFileTimeEpochDays * 86400;
    Split(unixSeconds, ms, st);
    return TRUE;
}

namespace mv {

bool ParseLocalDateTime(const std::string& text, int64_t* localSeconds) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    int n = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d %c", &y, &mo, &d, &h, &mi, &s, &tail);
    if (n != 3 && n != 6) return false;
    if (y < 1601 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h < 0 || h > 23 || mi < 0 ||
        mi > 59 || s < 0 || s > 59)
        return false;
    *localSeconds = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 + h * 3600 +
                    mi * 60 + s;
    return true;
}

}  // namespace mv
