// The range checks, how field texts become numbers, and the statements that store a profile.
#include "screens/profile/profile_input.h"

#include <gtest/gtest.h>

#include <string>

#include "common/sql_types.h"

namespace {

TEST(ProfileInputTest, RangesIncludeTheirBoundsAndHeightIsReportedFirst) {
    EXPECT_EQ(CheckProfileValues(50, 20), PROFILE_OK);
    EXPECT_EQ(CheckProfileValues(500, 600), PROFILE_OK);
    EXPECT_EQ(CheckProfileValues(49, 65), PROFILE_BAD_HEIGHT);
    EXPECT_EQ(CheckProfileValues(501, 65), PROFILE_BAD_HEIGHT);
    EXPECT_EQ(CheckProfileValues(175, 19), PROFILE_BAD_WEIGHT);
    EXPECT_EQ(CheckProfileValues(175, 601), PROFILE_BAD_WEIGHT);
    EXPECT_EQ(CheckProfileValues(0, 0), PROFILE_BAD_HEIGHT);
}

TEST(ProfileInputTest, FieldTextsReadAsLeadingIntegersAndNonsenseAsZero) {
    EXPECT_EQ(ProfileFieldValue(L"175"), 175);
    EXPECT_EQ(ProfileFieldValue(L"175.0"), 175);  // stored values read back with a decimal part
    EXPECT_EQ(ProfileFieldValue(L" 65"), 65);
    EXPECT_EQ(ProfileFieldValue(L"-70"), -70);
    EXPECT_EQ(ProfileFieldValue(L""), 0);
    EXPECT_EQ(ProfileFieldValue(nullptr), 0);
    EXPECT_EQ(ProfileFieldValue(L"abc"), 0);
    EXPECT_EQ(ProfileFieldValue(L"1); DROP TABLE info;--"), 1);
    // Too many digits for any body: refused instead of overflowing.
    EXPECT_EQ(ProfileFieldValue(L"99999999999999999999"), 0);
}

std::wstring Sql(const ProfileStatements& s, int i) {
    return s.szSql[i];
}

TEST(ProfileInputTest, TheGoalIsEmptyForNoneOrWithinItsRange) {
    int goal = -1;
    EXPECT_TRUE(ProfileGoalValue(L"", &goal));
    EXPECT_EQ(goal, 0);
    EXPECT_TRUE(ProfileGoalValue(L"100", &goal));
    EXPECT_EQ(goal, 100);
    EXPECT_TRUE(ProfileGoalValue(L"99999", &goal));
    EXPECT_EQ(goal, 99999);
    EXPECT_TRUE(ProfileGoalValue(L"08000", &goal));
    EXPECT_EQ(goal, 8000);
    goal = 7;
    for (const wchar_t* refused : {L"99", L"0", L"100000", L"-500", L" 500", L"5e3", L"999999999999"})
        EXPECT_FALSE(ProfileGoalValue(refused, &goal)) << refused;
    EXPECT_EQ(goal, 7);  // untouched when refused
}

TEST(ProfileInputTest, FirstSaveInsertsInfoThenInsertsOrUpdatesFirstUse) {
    ProfileStatements s;
    ComposeProfileStatements(false, 1, 1, 175, 65, 0, &s);
    ASSERT_EQ(s.nCount, 2);
    EXPECT_EQ(Sql(s, 0), L"INSERT INTO info(height, weight, gender, lang) VALUES(175, 65, 'M', '0');");
    EXPECT_EQ(s.nKind[0], SQL_INSERT);
    EXPECT_EQ(Sql(s, 1), L"INSERT INTO firstuse VALUES(1);");
    EXPECT_EQ(s.nKind[1], SQL_UPDATE);

    ComposeProfileStatements(false, 2, 1, 50, 600, 1, &s);
    ASSERT_EQ(s.nCount, 2);
    EXPECT_EQ(Sql(s, 0), L"INSERT INTO info(height, weight, gender, lang) VALUES(50, 600, 'M', '1');");
    EXPECT_EQ(Sql(s, 1), L"UPDATE firstuse SET flag=1;");
    EXPECT_EQ(s.nKind[1], SQL_UPDATE);
}

TEST(ProfileInputTest, AStoredProfileIsUpdatedWithoutTouchingFirstUse) {
    ProfileStatements s;
    ComposeProfileStatements(true, 1, 1, 160, 72, 1, &s);
    ASSERT_EQ(s.nCount, 1);
    EXPECT_EQ(Sql(s, 0), L"UPDATE info SET height=160, weight=72, gender='M', lang=1");
    EXPECT_EQ(s.nKind[0], SQL_UPDATE);
}

}  // namespace
