// A user whose group is their own (the user-private group scheme, umask 002): the program and the
// data tool accept a group-writable program folder whose group is that user's alone, and still
// refuse one whose group has another member or is the primary group of several accounts. Runs
// the program as another user (the superuser only can make one).
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/mv_private_group.h"
#include "tests/main_screen_test_util.h"
#include "tests/shell_harness_test_util.h"

namespace {

constexpr gid_t kSharedGroup = 0;  // root's group: the superuser is a member
constexpr gid_t kNoGroup = 65534;  // nogroup: the primary group of nobody and of system accounts

// An account other than the superuser whose primary group is its own (Debian's daemon, 1:1),
// found in the account database; uid 0 when there is none.
struct Account {
    uid_t uid = 0;
    gid_t gid = 0;
};
Account AccountWithItsOwnGroup() {
    Account found;
    setpwent();
    while (passwd* pw = getpwent()) {
        if (pw->pw_uid != 0 && MvIsUsersPrivateGroup(pw->pw_gid, pw->pw_uid)) {
            found = {pw->pw_uid, pw->pw_gid};
            break;
        }
    }
    endpwent();
    return found;
}

// Runs `program` as the test user with umask 002, its output in `log`; returns how it ended.
shelltest::ChildEnd RunAsUser(const Account& user, const std::string& program,
                              const std::vector<std::string>& args, const std::vector<std::string>& env,
                              const std::string& log) {
    pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(user.gid) != 0 || setuid(user.uid) != 0) _exit(126);
        umask(002);
        for (const std::string& entry : env) putenv(strdup(entry.c_str()));
        shelltest::RedirectChildOutput(log);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return shelltest::WaitProgram(pid, 60000);
}

TEST(PrivateGroupTest, TheRuleKnowsAGroupOfTheUserAloneFromAShared) {
    EXPECT_TRUE(MvIsUsersPrivateGroup(kSharedGroup, 0));       // root's group holds root alone
    EXPECT_FALSE(MvIsUsersPrivateGroup(kNoGroup, 65534));      // shared as primary group by several
    EXPECT_FALSE(MvIsUsersPrivateGroup(kSharedGroup, 65534));  // another user's group
    EXPECT_FALSE(MvIsUsersPrivateGroup(4000000, 0));           // no such group
}

TEST(PrivateGroupTest, AGroupWritableFolderOfTheUsersOwnGroupKeepsTheHistory) {
    if (geteuid() != 0) GTEST_SKIP() << "needs the superuser to run as another user";
    const Account user = AccountWithItsOwnGroup();
    if (user.uid == 0) GTEST_SKIP() << "no account with a group of its own";
    const CTempDir temp(shelltest::kTempPrefix);
    const std::string& dir = temp.Path();
    ASSERT_FALSE(dir.empty());
    const std::string program = shelltest::InstallProgram(dir);
    ASSERT_FALSE(program.empty());
    ASSERT_TRUE(maintest::CopyBuiltImages(dir));
    ASSERT_TRUE(shelltest::WriteTextFile(dir + "/script.txt", "wait 500\nsoftkey left\nwait 500\nquit\n"));
    const std::string tool = dir + "/movimetra-data";
    std::filesystem::copy_file(MV_DATA_BINARY, tool);
    // A build tree made with umask 002: folders 0775, files 0664 (the programs 0775).
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        const bool runnable = entry.is_directory() || entry.path() == program || entry.path() == tool;
        chmod(entry.path().c_str(), runnable ? 0775 : 0664);
        ASSERT_EQ(0, chown(entry.path().c_str(), user.uid, user.gid));
    }
    chmod(dir.c_str(), 0775);
    ASSERT_EQ(0, chown(dir.c_str(), user.uid, user.gid));
    const std::vector<std::string> env = {"MOVIMETRA_SCRIPT=" + dir + "/script.txt"};
    const std::string log = dir + "/log.txt";
    const std::string db = dir + "/Movimetra.db";

    shelltest::ChildEnd end = RunAsUser(user, program, {}, env, log);
    std::string said = shelltest::ReadTextFile(log);
    EXPECT_TRUE(end.exited && end.code == 0) << said;
    EXPECT_EQ(said.find("Cant open database"), std::string::npos) << said;
    struct stat st {};
    ASSERT_EQ(0, stat(db.c_str(), &st)) << said;
    EXPECT_EQ(user.uid, st.st_uid);
    EXPECT_EQ(0600u, st.st_mode & 0777);
    end = RunAsUser(user, tool, {"export"}, {}, log);
    said = shelltest::ReadTextFile(log);
    EXPECT_TRUE(end.exited && end.code == 0) << said;
    EXPECT_EQ(said.rfind("date,time,steps", 0), 0u) << said;

    // The same folder with a group that has another member: refused, nothing written.
    std::filesystem::remove(db);
    ASSERT_EQ(0, chown(dir.c_str(), user.uid, kSharedGroup));
    end = RunAsUser(user, program, {}, env, log);
    said = shelltest::ReadTextFile(log);
    EXPECT_NE(said.find("Movimetra: Cant open database"), std::string::npos) << said;
    EXPECT_NE(said.find("may be written by group or others"), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(db));
    end = RunAsUser(user, tool, {"import", "-"}, {}, log);
    said = shelltest::ReadTextFile(log);
    EXPECT_EQ(1, end.code) << said;
    EXPECT_NE(said.find("may be written by group or others"), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(db));
}

}  // namespace
