// The profile as the record store hands it to the profile view (UM_PROFILE_DATA).
#pragma once

#include <cstdint>

struct UserProfileBlock {
    wchar_t szHeight[10];
    wchar_t szWeight[10];
    wchar_t szGender[2];
    wchar_t szFlag[2];
    wchar_t szFirstUse[2];
    int32_t nLang;
};
