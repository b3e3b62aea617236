#include "screens/history/stats_rows.h"

#include <cmath>
#include <cwchar>

#include "screens/history/date_utils.h"

namespace {

const wchar_t kDash[] = L"\u2014";

// The two languages' texts, Korean first.
struct Words {
    const wchar_t* ko;
    const wchar_t* en;
};
const Words kSteps = {L"걸음 수", L"Steps"};
const Words kDistance = {L"거리", L"Distance"};
const Words kKCal = {L"칼로리", L"Calories"};
const Words kAverage = {L"하루 평균", L"Daily average"};
const Words kWalked = {L"걸은 날", L"Days walked"};
const Words kBest = {L"최고의 날", L"Best day"};
const Words kChange = {L"이전 기간 대비", L"Change from previous"};
const Words kGoalDays = {L"목표 달성일", L"Days at goal"};
const Words kBusiest = {L"가장 많이 걸은 시간", L"Busiest hour"};
const Words kAllTime = {L"전체 기간", L"All time"};
const Words kRecord = {L"최고 기록", L"Record day"};
const Words kTotalSteps = {L"총 걸음 수", L"Total steps"};
const Words kTotalDistance = {L"총 거리", L"Total distance"};
const Words kSince = {L"첫 기록일", L"First day"};
const Words kGoalCurrent = {L"현재 목표 연속 달성", L"Current goal streak"};
const Words kGoalLongest = {L"최장 목표 연속 달성", L"Longest goal streak"};
const Words kWalkCurrent = {L"현재 연속 걸은 날", L"Current walking streak"};
const Words kWalkLongest = {L"최장 연속 걸은 날", L"Longest walking streak"};

std::wstring Pick(const Words& words, bool english) {
    return english ? words.en : words.ko;
}

std::wstring Days(int64_t count, bool english) {
    if (!english) return StatsGrouped(count) + L"일";
    return StatsGrouped(count) + (count == 1 ? L" day" : L" days");
}

std::wstring OutOf(int32_t part, int32_t whole) {
    return StatsGrouped(part) + L" / " + StatsGrouped(whole);
}

std::wstring Range(int32_t first, int32_t last, bool english) {
    if (first == last) return StatsDate(first, english);
    return StatsDate(first, english) + L" \u2013 " + StatsDate(last, english);
}

}  // namespace

std::wstring StatsGrouped(int64_t value) {
    const bool negative = value < 0;
    // Digits of the magnitude, least significant first (INT64_MIN has no positive twin).
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    std::wstring reversed;
    int digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0) reversed.push_back(L',');
        reversed.push_back(static_cast<wchar_t>(L'0' + magnitude % 10));
        magnitude /= 10;
        ++digits;
    } while (magnitude != 0);
    if (negative) reversed.push_back(L'-');
    return std::wstring(reversed.rbegin(), reversed.rend());
}

std::wstring StatsKilometres(double metres) {
    // Tenths of a kilometre, rounded half away from zero.
    const double tenths = std::round(metres / 100.0);
    const int64_t whole =
        std::isfinite(tenths) && std::fabs(tenths) < 9e17 ? static_cast<int64_t>(tenths) : 0;
    const int64_t magnitude = whole < 0 ? -whole : whole;
    std::wstring text = (whole < 0 ? L"-" : L"") + StatsGrouped(magnitude / 10) + L"." +
                        static_cast<wchar_t>(L'0' + magnitude % 10) + L" km";
    return text;
}

std::wstring StatsDate(int32_t dayNumber, bool english) {
    int32_t year = 0, month = 0, day = 0;
    StatsDateOf(dayNumber, &year, &month, &day);
    wchar_t text[48];
    if (english)
        swprintf(text, 48, L"%ls %d, %d", GetMonthAbbrev(month), day, year);
    else
        swprintf(text, 48, L"%d년 %d월 %d일", year, month, day);
    return text;
}

std::wstring StatsChange(const StatsFigures& f) {
    if (!f.bHasChange) return kDash;
    if (f.nChangePercent == 0) return L"0 %";
    // A real minus sign, as the figure is read, not typed.
    const std::wstring sign = f.nChangePercent > 0 ? L"+" : L"\u2212";
    const int64_t magnitude = f.nChangePercent > 0 ? f.nChangePercent : -f.nChangePercent;
    return sign + StatsGrouped(magnitude) + L" %";
}

std::vector<StatsRow> BuildStatsRows(const StatsFigures& f, const StatsRowInput& input) {
    const bool en = input.bEnglish;
    std::vector<StatsRow> rows;
    auto add = [&rows](const std::wstring& label, const std::wstring& value,
                       const std::wstring& detail = L"") {
        StatsRow row;
        row.sLabel = label;
        row.sValue = value;
        row.sDetail = detail;
        rows.push_back(row);
    };
    auto heading = [&rows](const std::wstring& text) {
        StatsRow row;
        row.bHeading = true;
        row.sLabel = text;
        rows.push_back(row);
    };

    heading(input.pszTitle ? input.pszTitle : L"");
    add(Pick(kSteps, en), StatsGrouped(f.nSteps));
    add(Pick(kDistance, en), StatsKilometres(f.dDistance));
    add(Pick(kKCal, en), StatsGrouped(static_cast<int64_t>(std::llround(f.dKCal))) + L" kcal");
    add(Pick(kAverage, en), StatsGrouped(f.nAverage));
    add(Pick(kWalked, en), OutOf(f.nDaysWalked, f.nDaysElapsed));
    if (f.nBestDay == kNoDay)
        add(Pick(kBest, en), kDash);
    else
        add(Pick(kBest, en), StatsGrouped(f.nBestSteps), StatsDate(f.nBestDay, en));
    add(Pick(kChange, en), StatsChange(f));
    if (input.nGoal > 0) add(Pick(kGoalDays, en), OutOf(f.nGoalDays, f.nDaysElapsed));
    if (input.bHasHours) {
        wchar_t hour[32];
        if (input.nBusiestHour >= 0 && input.nBusiestHour <= 23)
            swprintf(hour, 32, L"%02d:00\u2013%02d:00", input.nBusiestHour, input.nBusiestHour + 1);
        else
            swprintf(hour, 32, L"%ls", kDash);
        add(Pick(kBusiest, en), hour);
    }

    heading(Pick(kAllTime, en));
    if (f.nRecordDay == kNoDay)
        add(Pick(kRecord, en), kDash);
    else
        add(Pick(kRecord, en), StatsGrouped(f.nRecordSteps), StatsDate(f.nRecordDay, en));
    add(Pick(kTotalSteps, en), StatsGrouped(f.nTotalSteps));
    add(Pick(kTotalDistance, en), StatsKilometres(f.dTotalDistance));
    add(Pick(kSince, en), f.nFirstDay == kNoDay ? std::wstring(kDash) : StatsDate(f.nFirstDay, en));
    const bool goal = input.nGoal > 0;
    add(Pick(goal ? kGoalCurrent : kWalkCurrent, en), Days(f.nCurrentStreak, en),
        f.nCurrentStreak > 0 ? Range(f.nCurrentFirst, f.nCurrentFirst + f.nCurrentStreak - 1, en) : L"");
    add(Pick(goal ? kGoalLongest : kWalkLongest, en), Days(f.nLongestStreak, en),
        f.nLongestStreak > 0 ? Range(f.nLongestFirst, f.nLongestLast, en) : L"");
    return rows;
}
