// Schema creation, the first-use states and reading the stored profile, observed through the
// messages the main window receives.
#include "store/profile_store.h"

#include <string>
#include <vector>

#include "testing/store_test_util.h"

namespace {

using store_test::StoreTest;

class ProfileStoreTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        // A Korean locale: the default profile's language follows it.
        setenv("LANG", "ko_KR.UTF-8", 1);
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        m_Store.Attach(m_hMain, &m_Runner);
    }

    // The profile view is switched to and sent a profile; a null flag is not checked. The default
    // profile (exists 0) first sets every view to the locale's language.
    void ExpectProfileOffered(WPARAM exists, const wchar_t* height, const wchar_t* weight,
                              const wchar_t* gender, const wchar_t* flag, const wchar_t* firstUse,
                              int language = 0) {
        std::vector<UINT> ids = SeenIds();
        size_t at = 0;
        if (exists == 0) {
            ASSERT_FALSE(ids.empty());
            EXPECT_EQ(UINT{UM_SET_LANGUAGE}, ids[0]);
            EXPECT_EQ(WPARAM(language), m_Seen[0].wParam);
            at = 1;
        }
        ASSERT_EQ((std::vector<UINT>{UM_SWITCH_VIEW, UM_VIEW_EVENT, UM_PROFILE_DATA}),
                  std::vector<UINT>(ids.begin() + static_cast<long>(at), ids.end()));
        EXPECT_EQ(WPARAM{VIEW_PROFILE}, m_Seen[at].wParam);
        EXPECT_EQ(exists, m_Seen[at + 1].wParam);
        EXPECT_EQ(L"EXIST", m_Seen[at + 1].text);
        const UserProfileBlock& p = m_Seen[at + 2].profile;
        EXPECT_EQ(std::wstring(height), p.szHeight);
        EXPECT_EQ(std::wstring(weight), p.szWeight);
        EXPECT_EQ(std::wstring(gender), p.szGender);
        if (flag != nullptr) {
            EXPECT_EQ(std::wstring(flag), p.szFlag);
        }
        EXPECT_EQ(std::wstring(firstUse), p.szFirstUse);
        EXPECT_EQ(language, p.nLang);
    }

    void ExpectDefaultProfileOffered(const wchar_t* firstUse, int language = 0) {
        ExpectProfileOffered(0, L"175", L"65", L"M", L"1", firstUse, language);
    }

    CProfileStore m_Store;
};

TEST_F(ProfileStoreTest, FreshFileCreatesTheTablesInOrderAndOffersTheDefaultProfile) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, m_Store.CheckFirstUse());
    EXPECT_EQ("", testing::internal::GetCapturedStdout());

    // The library keeps its own sequence table for AUTOINCREMENT right after pedometer.
    std::vector<std::vector<std::string>> expected = {
        {"firstuse", "CREATE TABLE firstuse ('flag' INTEGER DEFAULT 0)"},
        {"pedometer",
         "CREATE TABLE pedometer ('seq' INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, 'curdate' VARCHAR(10) "
         "DEFAULT "
         "NULL, 'curtime' VARCHAR(10) DEFAULT NULL, \t\t\t\t\t   'steps' INTEGER DEFAULT 0, 'kcal' DOUBLE "
         "DEFAULT 0, "
         "'distance' DOUBLE DEFAULT 0, 'created_at' datetime DEFAULT NULL, 'updated_at' datetime DEFAULT "
         "NULL)"},
        {"sqlite_sequence", "CREATE TABLE sqlite_sequence(name,seq)"},
        {"info",
         "CREATE TABLE info('height' FLOAT DEFAULT 0, 'weight' FLOAT DEFAULT 0, 'gender' VARCHAR(1) default "
         "NULL, "
         "'lang' INTEGER DEFAULT 0)"},
    };
    EXPECT_EQ(expected, Query("SELECT name, sql FROM sqlite_master ORDER BY rowid;"));
    ExpectDefaultProfileOffered(L"1");
}

TEST_F(ProfileStoreTest, DefaultProfileSpeaksTheLocalesLanguageAndAStoredOneItsOwn) {
    setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_EQ(0, m_Store.CheckFirstUse());
    ExpectDefaultProfileOffered(L"1", 1);
    // Stored in Korean: the English locale does not matter any more.
    Exec("INSERT INTO info VALUES(180, 70, 'M', '0');");
    m_Seen.clear();
    m_Store.LoadUserInfo(1);
    ASSERT_EQ((std::vector<UINT>{UM_SET_PROFILE, UM_SET_LANGUAGE, UM_SWITCH_VIEW}), SeenIds());
    EXPECT_EQ(WPARAM{0}, m_Seen[1].wParam);
}

TEST_F(ProfileStoreTest, MissingTablesAreCreatedAndNothingElseIsTouched) {
    // A used file that lost its pedometer and info tables: only those two are made, each by its
    // own statement, and the first-use row stays.
    Exec("CREATE TABLE firstuse ('flag' INTEGER DEFAULT 0); INSERT INTO firstuse VALUES(1);");
    Exec("CREATE TABLE notes(x); INSERT INTO notes VALUES('mine');");
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, m_Store.CheckFirstUse());
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ((std::vector<std::vector<std::string>>{
                  {"firstuse"}, {"notes"}, {"pedometer"}, {"sqlite_sequence"}, {"info"}}),
              Query("SELECT name FROM sqlite_master ORDER BY rowid;"));
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"1"}}), Query("SELECT flag FROM firstuse;"));
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"mine"}}), Query("SELECT x FROM notes;"));
    EXPECT_EQ(
        1u,
        Query("SELECT 1 FROM sqlite_master WHERE name = 'pedometer' AND sql LIKE '%AUTOINCREMENT%';").size());

    // The profile is then read from the new, empty info table: the default one is offered.
    m_Seen.clear();
    m_Store.LoadUserInfo(1);
    ExpectDefaultProfileOffered(L"1");
}

TEST_F(ProfileStoreTest, CreateTablesStopsAtTheFirstFailure) {
    // A view where the pedometer table should be: it cannot be created, info is not tried.
    Exec("CREATE VIEW pedometer AS SELECT 1 AS seq;");
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, m_Store.CreateTables());
    EXPECT_EQ("Write Error: view pedometer already exists\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"pedometer"}, {"firstuse"}}),
              Query("SELECT name FROM sqlite_master ORDER BY rowid;"));
}

TEST_F(ProfileStoreTest, FirstUseStates) {
    struct Case {
        const char* rows;  // values inserted into firstuse, in order ("" for none)
        int result;
        const wchar_t* firstUse;  // nullptr: no view change expected
    };
    const Case cases[] = {
        {"", 0, L"1"},          // table without rows
        {"(0)", 0, L"2"},       // saved flag 0: the profile view updates it
        {"(NULL)", 0, L"2"},    // an empty flag counts as 0
        {"(0), (1)", 0, L"2"},  // only the first row is consulted
        {"(1), (0)", 1, nullptr},
        {"(7)", 1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        Exec("DROP TABLE IF EXISTS firstuse;");
        Exec("CREATE TABLE firstuse ('flag' INTEGER DEFAULT 0);");
        if (*c.rows) Exec(std::string("INSERT INTO firstuse VALUES ") + c.rows + ";");
        m_Seen.clear();
        EXPECT_EQ(c.result, m_Store.CheckFirstUse());
        if (c.firstUse)
            ExpectDefaultProfileOffered(c.firstUse);
        else
            EXPECT_TRUE(m_Seen.empty());
    }
}

TEST_F(ProfileStoreTest, LoadUserInfoAtStartAppliesTheLastRowsLanguageThenShowsTheMainView) {
    CreateSchema();
    Exec("INSERT INTO info VALUES(170, 60, 'M', '0');");
    Exec("INSERT INTO info VALUES(180, 72, 'M', '1');");
    m_Store.LoadUserInfo(1);

    // The engine is handed the last row's body texts first.
    ASSERT_EQ((std::vector<UINT>{UM_SET_PROFILE, UM_SET_LANGUAGE, UM_SWITCH_VIEW}), SeenIds());
    EXPECT_EQ(L"180.0|72.0", m_Seen[0].text);
    EXPECT_EQ(1u, m_Seen[1].wParam);
    EXPECT_EQ(WPARAM{VIEW_MAIN}, m_Seen[2].wParam);
    const UserProfileBlock& p = m_Store.Block();
    EXPECT_EQ(std::wstring(L"180.0"), p.szHeight);
    EXPECT_EQ(std::wstring(L"72.0"), p.szWeight);
    EXPECT_EQ(std::wstring(L"M"), p.szGender);
    EXPECT_EQ(1, p.nLang);
}

TEST_F(ProfileStoreTest, LoadUserInfoForTheProfileViewSendsTheStoredProfile) {
    CreateSchema();
    Exec("INSERT INTO info VALUES(NULL, 65.5, NULL, 0);");
    m_Store.LoadUserInfo(2);

    ASSERT_FALSE(m_Seen.empty());
    EXPECT_EQ(UINT{UM_SET_PROFILE}, m_Seen[0].msg);
    EXPECT_EQ(L"|65.5", m_Seen[0].text);
    m_Seen.erase(m_Seen.begin());
    ExpectProfileOffered(1, L"", L"65.5", L"", nullptr, L"");
}

TEST_F(ProfileStoreTest, LoadUserInfoWithoutProfile) {
    // No info row: the default profile is offered as at first use.
    CreateSchema();
    m_Store.LoadUserInfo(1);
    ExpectDefaultProfileOffered(L"1");

    // No info table at all: no view is chosen.
    Exec("DROP TABLE info;");
    m_Seen.clear();
    m_Store.LoadUserInfo(1);
    EXPECT_TRUE(m_Seen.empty());
    EXPECT_EQ(std::wstring(L""), m_Store.Block().szHeight);
}

}  // namespace
