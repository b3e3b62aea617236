// The user-private group rule (as Debian's OpenSSH applies it to ~/.ssh), on the account
// databases through the reentrant calls.
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/mv_private_group.h"

namespace {

size_t BufferSize(int name) {
    long size = sysconf(name);
    return size > 0 ? static_cast<size_t>(size) : 16384;
}

}  // namespace

bool MvIsUsersPrivateGroup(gid_t gid, uid_t uid) {
    std::vector<char> groupBuffer(BufferSize(_SC_GETGR_R_SIZE_MAX));
    group entry{};
    group* gr = nullptr;
    while (getgrgid_r(gid, &entry, groupBuffer.data(), groupBuffer.size(), &gr) == ERANGE)
        groupBuffer.resize(groupBuffer.size() * 2);
    if (gr == nullptr) return false;

    std::vector<char> userBuffer(BufferSize(_SC_GETPW_R_SIZE_MAX));
    passwd user{};
    passwd* owner = nullptr;
    while (getpwuid_r(uid, &user, userBuffer.data(), userBuffer.size(), &owner) == ERANGE)
        userBuffer.resize(userBuffer.size() * 2);
    if (owner == nullptr) return false;

    int members = 0;
    // Listed members: none, or the user alone.
    if (gr->gr_mem != nullptr && gr->gr_mem[0] != nullptr) {
        if (std::strcmp(gr->gr_mem[0], owner->pw_name) != 0 || gr->gr_mem[1] != nullptr) return false;
        ++members;
    }
    // Accounts whose primary group it is: the user alone. The walk over the accounts is not
    // reentrant, so one thread walks at a time.
    static std::mutex walk;
    std::lock_guard<std::mutex> guard(walk);
    std::vector<char> buffer(BufferSize(_SC_GETPW_R_SIZE_MAX));
    passwd other{};
    passwd* pw = nullptr;
    bool alone = true;
    setpwent();
    while (getpwent_r(&other, buffer.data(), buffer.size(), &pw) == 0 && pw != nullptr) {
        if (pw->pw_gid != gid) continue;
        ++members;
        if (pw->pw_uid != uid) {
            alone = false;
            break;
        }
    }
    endpwent();
    return alone && members > 0;
}
