// Schema creation, first-use check and the stored user profile.
#pragma once

#include "common/user_profile_block.h"
#include "platform/windows.h"
#include "store/db_helper.h"

class CProfileStore {
public:
    void Attach(HWND hMain, CDbHelper* db);
    // Creates those of the three tables that are missing: 1 when all exist afterwards.
    int CreateTables();
    // 1 when a profile exists (the caller then runs LoadUserInfo(1)); 0 when the profile view
    // was opened with a default profile instead.
    int CheckFirstUse();
    void ApplyDefaultProfile(int state);
    // mode 1 at start-up, mode 2 when the user asks for the profile view.
    void LoadUserInfo(int mode);
    const UserProfileBlock& Block() const { return m_Profile; }

private:
    bool HasTable(const char* name) const;
    HWND m_hMain = nullptr;
    CDbHelper* m_pDb = nullptr;
    UserProfileBlock m_Profile{};
};
