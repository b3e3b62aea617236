// The date-picker bridge: loading by ordinal, the call through entry point 2, the two failure
// lines, one instance at a time and the unload.
#include "screens/history/calendar_dlg_helper.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/mv_platform.h"
#include "testing/headless_platform_test_util.h"
#include "testing/temp_dir_test_util.h"

namespace {

const char kLoadLine[] = "CCalendarDlgHelper::LoadDllFunc m_hDll is NULL\r\n";
const char kRunLine[] = "CCalendarDlgHelper::RunSelectDateDlg m_fpRunSelectView is NULL\r\n";

std::string ExecutableDir() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

class CalendarDlgHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        setenv("MOVIMETRA_DEBUG", "1", 1);
        MvPlatformOptions options = HeadlessTestOptions();
        options.modulePath = dir.Path() + "/Movimetra";
        MvPlatformInit(options);
    }
    void TearDown() override {
        CCalendarDlgHelper::DestroyInstance();
        MvPlatformShutdown();
        unsetenv("MOVIMETRA_DEBUG");
    }
    // Puts a built stand-in beside the (pretend) program as the picker library.
    void InstallPicker(const std::string& builtName) {
        std::error_code error;
        std::filesystem::copy_file(ExecutableDir() + "/" + builtName, dir.Path() + "/CalendarPicker.so",
                                   error);
        ASSERT_FALSE(error) << error.message();
    }
    // A picker beside the test executable is the loader's fallback. The real one does not load
    // into this executable, which does not export the platform calls it needs.
    bool LoadablePickerBesideExecutable() {
        const std::string exeDir = ExecutableDir();
        for (const char* name : {"/CalendarPicker.dll", "/CalendarPicker.so", "/libCalendarPicker.so"}) {
            const std::string path = exeDir + name;
            if (access(path.c_str(), R_OK) != 0) continue;
            if (void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
                dlclose(handle);
                return true;
            }
        }
        return false;
    }

    CTempDir dir;
    SYSTEMTIME date = {2026, 12, 1, 7, 9, 30, 0, 0};
};

TEST_F(CalendarDlgHelperTest, PresentLibraryRunsEntryPointTwoWithTheSameArguments) {
    InstallPicker("libmv_fake_picker.so");
    CCalendarDlgHelper* helper = CCalendarDlgHelper::GetInstance();
    ASSERT_NE(helper, nullptr);
    ASSERT_NE(helper->Module(), nullptr);
    for (int ordinal = 1; ordinal <= 7; ++ordinal) EXPECT_NE(helper->EntryPoint(ordinal), nullptr) << ordinal;

    testing::internal::CaptureStderr();
    EXPECT_EQ(helper->RunSelectDateDlg(L"Test", &date, reinterpret_cast<HWND>(0x1234)), 42);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(date.wYear, 2010);
    EXPECT_EQ(date.wMonth, 3);
    EXPECT_EQ(date.wDay, 15);

    // The stand-in refuses other arguments: the result comes back unchanged and the date stays.
    SYSTEMTIME other = {2026, 12, 1, 7, 0, 0, 0, 0};
    EXPECT_EQ(helper->RunSelectDateDlg(L"Other", &other, reinterpret_cast<HWND>(0x1234)), 0);
    EXPECT_EQ(other.wYear, 2026);
}

TEST_F(CalendarDlgHelperTest, MissingLibraryWritesBothLinesAndReturnsZero) {
    if (LoadablePickerBesideExecutable()) GTEST_SKIP() << "a picker library sits beside the test executable";
    testing::internal::CaptureStderr();
    CCalendarDlgHelper* helper = CCalendarDlgHelper::GetInstance();
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->Module(), nullptr);
    for (int ordinal = 1; ordinal <= 7; ++ordinal) EXPECT_EQ(helper->EntryPoint(ordinal), nullptr) << ordinal;
    EXPECT_EQ(helper->RunSelectDateDlg(L"Test", &date, nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string(kLoadLine) + kRunLine);
    EXPECT_EQ(date.wYear, 2026);
    EXPECT_EQ(date.wDay, 7);
}

TEST_F(CalendarDlgHelperTest, LibraryWithoutEntryPointTwoFailsTheCallOnly) {
    InstallPicker("libmv_picker_without_run.so");
    testing::internal::CaptureStderr();
    CCalendarDlgHelper* helper = CCalendarDlgHelper::GetInstance();
    ASSERT_NE(helper, nullptr);
    EXPECT_NE(helper->Module(), nullptr);
    EXPECT_NE(helper->EntryPoint(1), nullptr);
    EXPECT_EQ(helper->EntryPoint(2), nullptr);
    EXPECT_NE(helper->EntryPoint(3), nullptr);
    EXPECT_EQ(helper->EntryPoint(4), nullptr);
    EXPECT_EQ(helper->RunSelectDateDlg(L"Test", &date, reinterpret_cast<HWND>(0x1234)), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kRunLine);
    EXPECT_EQ(date.wYear, 2026);
}

TEST_F(CalendarDlgHelperTest, OneInstanceUntilDestroyedAndTheLibraryIsUnloaded) {
    InstallPicker("libmv_fake_picker.so");
    CCalendarDlgHelper* first = CCalendarDlgHelper::GetInstance();
    ASSERT_NE(first, nullptr);
    HMODULE module = first->Module();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(CCalendarDlgHelper::GetInstance(), first);
    EXPECT_EQ(first->Module(), module);

    // A second LoadDllFunc keeps the module and the entry points it already has.
    FARPROC run = first->EntryPoint(2);
    first->LoadDllFunc();
    EXPECT_EQ(first->Module(), module);
    EXPECT_EQ(first->EntryPoint(2), run);

    const std::string path = dir.Path() + "/CalendarPicker.so";
    CCalendarDlgHelper::DestroyInstance();
    // Nothing else holds the library, so it is gone from the process.
    EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
    CCalendarDlgHelper::DestroyInstance();  // no instance: nothing to do

    CCalendarDlgHelper* again = CCalendarDlgHelper::GetInstance();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->Module(), nullptr);
    SYSTEMTIME chosen = date;
    EXPECT_EQ(again->RunSelectDateDlg(L"Test", &chosen, reinterpret_cast<HWND>(0x1234)), 42);
}

}  // namespace
