// Range checks of the profile fields and the statements that store the profile.
#include "screens/profile/profile_input.h"

#include <cwchar>

#include "common/sql_types.h"
#include "platform/windows.h"

int ProfileFieldValue(const wchar_t* text) {
    if (!text) return 0;
    // The fields take three digits; anything longer is refused rather than overflowing.
    while (*text == L' ' || *text == L'\t') ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-') {
        negative = *text == L'-';
        ++text;
    }
    long value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        value = value * 10 + (*text - L'0');
        if (value > 100000) return 0;
    }
    return negative ? (int)-value : (int)value;
}

ProfileCheck CheckProfileValues(int height, int weight) {
    if (height < PROFILE_HEIGHT_MIN || height > PROFILE_HEIGHT_MAX) return PROFILE_BAD_HEIGHT;
    if (weight < PROFILE_WEIGHT_MIN || weight > PROFILE_WEIGHT_MAX) return PROFILE_BAD_WEIGHT;
    return PROFILE_OK;
}

bool ProfileGoalValue(const wchar_t* text, int* goal) {
    if (!text || *text == L'\0') {
        *goal = 0;
        return true;
    }
    for (const wchar_t* p = text; *p; ++p)
        if (*p < L'0' || *p > L'9') return false;
    const int value = ProfileFieldValue(text);
    if (value < PROFILE_GOAL_MIN || value > PROFILE_GOAL_MAX) return false;
    *goal = value;
    return true;
}

void ComposeProfileStatements(bool exists, int firstUseState, int flag, int height, int weight, int language,
                              ProfileStatements* out) {
    if (!out) return;
    *out = ProfileStatements{};
    wchar_t h[16], w[16], lang[16], f[16];
    swprintf(h, 16, L"%d", height);
    swprintf(w, 16, L"%d", weight);
    swprintf(lang, 16, L"%d", language);
    swprintf(f, 16, L"%d", flag);
    if (exists) {
        swprintf(out->szSql[0], PROFILE_SQL_UNITS,
                 L"UPDATE info SET height=%ls, weight=%ls, gender='%ls', lang=%ls", h, w, L"M", lang);
        out->nKind[0] = SQL_UPDATE;
        out->nCount = 1;
        return;
    }
    // The four columns are named: a newer file's info table may have more of them.
    swprintf(out->szSql[0], PROFILE_SQL_UNITS,
             L"INSERT INTO info(height, weight, gender, lang) VALUES(%ls, %ls, 'M', '%ls');", h, w, lang);
    out->nKind[0] = SQL_INSERT;
    if (firstUseState == 1)
        swprintf(out->szSql[1], PROFILE_SQL_UNITS, L"INSERT INTO firstuse VALUES(%ls);", f);
    else
        swprintf(out->szSql[1], PROFILE_SQL_UNITS, L"UPDATE firstuse SET flag=%ls;", f);
    out->nKind[1] = SQL_UPDATE;
    out->nCount = 2;
}
