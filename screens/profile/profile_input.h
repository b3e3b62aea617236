// The profile view's checks and the statements that store the profile. Only integers that
// passed the range checks are ever written into a statement: the typed text never reaches SQL.
#pragma once

#include <cstddef>

// Accepted ranges: height in centimetres, weight in kilograms.
#define PROFILE_HEIGHT_MIN 50
#define PROFILE_HEIGHT_MAX 500
#define PROFILE_WEIGHT_MIN 20
#define PROFILE_WEIGHT_MAX 600
// The daily goal in steps (the record store keeps the same range).
#define PROFILE_GOAL_MIN 100
#define PROFILE_GOAL_MAX 99999

// Statement buffers are 1024 units, as the statement runner expects.
#define PROFILE_SQL_UNITS 1024

enum ProfileCheck {
    PROFILE_OK = 0,
    PROFILE_BAD_HEIGHT = 1,  // reported first, even when the weight is wrong too
    PROFILE_BAD_WEIGHT = 2,
};

// The integer value of a field's text: leading blanks and digits as _wtoi reads them; empty,
// non-numeric or absurdly long text is 0 (and therefore out of range).
int ProfileFieldValue(const wchar_t* text);
ProfileCheck CheckProfileValues(int height, int weight);
// The goal field: empty is no goal (0); otherwise only PROFILE_GOAL_MIN..PROFILE_GOAL_MAX is
// accepted. False (and *goal untouched) when refused.
bool ProfileGoalValue(const wchar_t* text, int* goal);

// The statements that store a checked profile, in the order they are sent.
struct ProfileStatements {
    int nCount = 0;
    int nKind[2] = {};  // SqlKind of each statement
    wchar_t szSql[2][PROFILE_SQL_UNITS] = {};
};

// exists: an info row is stored already (update it); otherwise insert it and then insert the
// firstuse row (firstUseState 1) or update it (any other state) with flag.
void ComposeProfileStatements(bool exists, int firstUseState, int flag, int height, int weight, int language,
                              ProfileStatements* out);
