// Text formatting and conversion, string and accelerator resources, modules.
#include <dlfcn.h>

#include "platform/core/core_test_util.h"

namespace {

TEST(CoreText, WsprintfFollowsTheWindowsConvention) {
    wchar_t buffer[256];
    int n = wsprintfW(buffer, L"%s m_hDll is NULL\r\n", L"CCalendarDlgHelper::LoadDllFunc");
    EXPECT_STREQ(buffer, L"CCalendarDlgHelper::LoadDllFunc m_hDll is NULL\r\n");
    EXPECT_EQ(n, static_cast<int>(wcslen(buffer)));
    wsprintfW(buffer, L"%04d-%02d-%02d %5u|%-4d|%x %X %c %%", 2024, 3, 9, 42u, 7, 255u, 255u, L'\xD55C');
    EXPECT_STREQ(buffer, L"2024-03-09    42|7   |ff FF \xD55C %");
    wsprintfW(buffer, L"%.2lf %f %ld %.1f", 3.456, 0.5, -12L, 2.25);
    EXPECT_STREQ(buffer, L"3.46 0.500000 -12 2.2");
    wsprintfW(buffer, L"[%5s][%-3s][%s]", L"ab", L"c", static_cast<const wchar_t*>(nullptr));
    EXPECT_STREQ(buffer, L"[   ab][c  ][(null)]");
    // Win32 writes at most 1024 characters with the terminator.
    std::vector<wchar_t> big(2048);
    std::wstring longText(1500, L'x');
    EXPECT_EQ(wsprintfW(big.data(), L"%s", longText.c_str()), 1023);
}

TEST(CoreText, Utf8ConversionRoundTripsAndAnswersSizeQueries) {
    const wchar_t* korean = L"\xD504\xB85C\xD544 Profile";  // 프로필 Profile
    int size = WideCharToMultiByte(CP_UTF8, 0, korean, -1, nullptr, 0, nullptr, nullptr);
    EXPECT_EQ(size, 3 * 3 + 8 + 1);  // the terminator counts with -1
    std::vector<char> bytes(size);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, korean, -1, bytes.data(), size, nullptr, nullptr), size);
    EXPECT_EQ(bytes.back(), 0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, korean, -1, bytes.data(), size - 1, nullptr, nullptr), 0);
    int wideSize = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), -1, nullptr, 0);
    EXPECT_EQ(wideSize, 12);
    std::vector<wchar_t> back(wideSize);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes.data(), -1, back.data(), wideSize), wideSize);
    EXPECT_STREQ(back.data(), korean);
    // A count without the terminator converts just those characters.
    char two[8] = {};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"175", 2, two, 8, nullptr, nullptr), 2);
    EXPECT_STREQ(two, "17");
    // Broken input becomes U+FFFD instead of being dropped or overrun.
    const char broken[] = {'a', static_cast<char>(0xE2), static_cast<char>(0x82), 0};
    wchar_t fixed[8];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, broken, -1, fixed, 8), 4);
    EXPECT_EQ(fixed[0], L'a');
    EXPECT_EQ(fixed[1], 0xFFFD);
}

TEST(CoreText, NumberReadersTakeTheLeadingNumber) {
    EXPECT_EQ(_wtoi(L"175"), 175);
    EXPECT_EQ(_wtoi(L"  -42kg"), -42);
    EXPECT_EQ(_wtoi(L""), 0);
    EXPECT_EQ(_wtoi(L"abc"), 0);
    EXPECT_EQ(_wtoi(nullptr), 0);
    EXPECT_EQ(_wtoi(L"99999999999"), 2147483647);
    EXPECT_DOUBLE_EQ(_wtof(L"65.5"), 65.5);
    EXPECT_DOUBLE_EQ(_wtof(L"3.5kg"), 3.5);
    EXPECT_DOUBLE_EQ(_wtof(L""), 0.0);
}

const ACCEL kAccels[] = {
    {FVIRTKEY | FNOINVERT | FCONTROL, 'A', 40002}, {FVIRTKEY | FNOINVERT | FCONTROL, 'Q', 40000},
    {FVIRTKEY | FNOINVERT | FCONTROL, 'A', 40003}, {FVIRTKEY | FNOINVERT | FCONTROL, 'Q', 40004},
    {FVIRTKEY | FNOINVERT | FCONTROL, 'A', 40005}, {FVIRTKEY | FNOINVERT | FCONTROL, 'Q', 40006},
    {FVIRTKEY | FNOINVERT | FCONTROL, 'A', 40007}, {FVIRTKEY | FNOINVERT | FCONTROL, 'Q', 40008},
};
const MV_RES_ACCELTABLE kTables[] = {{2, kAccels, 8}};
const MV_RES_STRING kStrings[] = {{1, L"Movimetra"}, {2, L"ZUNO"}, {121, L"\xD655\xC778"}};
const MV_RESOURCE_MODULE kModule = {kStrings, 3, nullptr, 0, kTables, 1, nullptr, 0, nullptr, 0};

TEST_F(CoreTest, StringsAreCopiedAndCutToTheBuffer) {
    MvRegisterResources(&kModule);
    wchar_t buffer[100];
    EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 100), 9);
    EXPECT_STREQ(buffer, L"Movimetra");
    EXPECT_EQ(LoadStringW(nullptr, 1, buffer, 5), 4);
    EXPECT_STREQ(buffer, L"Movi");
    EXPECT_EQ(LoadStringW(nullptr, 121, buffer, 100), 2);
    EXPECT_EQ(LoadStringW(nullptr, 77, buffer, 100), 0);
    EXPECT_STREQ(buffer, L"");
    MvRegisterResources(nullptr);
}

TEST_F(CoreTest, AcceleratorsTakeTheFirstMatchingEntryAndGoToTheTopLevelWindow) {
    MvRegisterResources(&kModule);
    HACCEL table = LoadAcceleratorsW(nullptr, MAKEINTRESOURCEW(2));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(LoadAcceleratorsW(nullptr, MAKEINTRESOURCEW(3)), nullptr);
    HWND main = Make();
    HWND view = Make(main, {0, 0, 480, 696});
    SetFocus(view);
    MvKey('A', true);
    MvKey('Q', true);
    MvKey('Q', false);
    PostQuitMessage(0);
    MSG msg;
    int translated = 0;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        if (TranslateAcceleratorW(msg.hwnd, table, &msg)) {
            ++translated;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    EXPECT_EQ(translated, 2);
    std::vector<WPARAM> commands;
    for (const auto& m : MvProbe::Log())
        if (m.msg == WM_COMMAND) {
            EXPECT_EQ(m.hwnd, main);
            commands.push_back(m.wParam);
        }
    EXPECT_EQ(commands, (std::vector<WPARAM>{MAKEWPARAM(40002, 1), MAKEWPARAM(40000, 1)}));
    EXPECT_EQ(MvProbe::Messages(view, {WM_KEYDOWN}).size(), 1u);  // plain Q reaches the window
    MvRegisterResources(nullptr);
}

TEST_F(CoreTest, LibrariesLoadBesideTheExecutableAndExportOrdinals) {
    HMODULE module = LoadLibraryW(L"mv_test_module.dll");
    ASSERT_NE(module, nullptr) << dlerror();
    typedef int (*Entry)(int);
    // Through void (*)(), the generic function pointer, as callers of GetProcAddress do.
    typedef void (*AnyFunction)();
    auto byOrdinal =
        reinterpret_cast<Entry>(reinterpret_cast<AnyFunction>(GetProcAddressW(module, MAKEINTRESOURCEW(2))));
    ASSERT_NE(byOrdinal, nullptr);
    EXPECT_EQ(byOrdinal(20), 42);
    auto byName =
        reinterpret_cast<Entry>(reinterpret_cast<AnyFunction>(GetProcAddressW(module, L"mv_test_named")));
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName(1), 8);
    EXPECT_EQ(GetProcAddressW(module, MAKEINTRESOURCEW(9)), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(LoadLibraryW(L"CalendarPickerMissing.dll"), nullptr);
}

TEST(CoreModule, ModulePathComesFromTheOptionsOrTheExecutable) {
    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    options.modulePath = "/tmp/\xED\x94\x84/Movimetra";
    MvPlatformInit(options);
    wchar_t buffer[260];
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 260), 16u);
    EXPECT_STREQ(buffer, L"/tmp/\xD504/Movimetra");
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 5), 5u);  // cut and terminated
    EXPECT_STREQ(buffer, L"/tmp");
    MvPlatformShutdown();
    ASSERT_GT(GetModuleFileNameW(nullptr, buffer, 260), 0u);
    EXPECT_NE(std::wstring(buffer).find(L"platform_tests"), std::wstring::npos);
}

}  // namespace
