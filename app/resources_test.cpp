// The resource script: labels, soft-key bars and the accelerator table as the shell reads them.
#include "resources/resources.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/windows.h"
#include "resources/resource_ids.h"

namespace {

std::wstring String(UINT id) {
    wchar_t buffer[100] = {};
    int length = LoadStringW(nullptr, id, buffer, 100);
    return std::wstring(buffer, length > 0 ? length : 0);
}

const MV_RES_MENUBAR* Bar(UINT id) {
    const MV_RESOURCE_MODULE* module = MvGetResources();
    for (int i = 0; module && i < module->menuBarCount; ++i)
        if (module->menuBars[i].id == id) return &module->menuBars[i];
    return nullptr;
}

struct BarCase {
    UINT id;
    WORD leftCommand;
    const wchar_t* leftLabel;
    WORD rightCommand;
    const wchar_t* rightLabel;
};

TEST(ResourcesTest, SoftKeyBarsCarryCommandsAndLabels) {
    RegisterMovimetraResources();
    const BarCase cases[] = {
        {102, 40000, L" ", 40001, L" "},          {112, 40007, L"프로필", 40008, L"종료"},
        {158, 40007, L"Profile", 40008, L"Exit"}, {110, 40003, L"확인", 40004, L"취소"},
        {156, 40003, L"Ok", 40004, L"Cancel"},    {111, 40005, L"리셋", 40006, L"닫기"},
        {157, 40005, L"Reset", 40006, L"Close"},
    };
    for (const BarCase& c : cases) {
        const MV_RES_MENUBAR* bar = Bar(c.id);
        ASSERT_NE(bar, nullptr) << c.id;
        ASSERT_EQ(bar->wordCount, 16) << c.id;
        const WORD* w = bar->words;
        EXPECT_EQ(w[0], c.id);
        EXPECT_EQ(w[1], 2);
        for (int button = 0; button < 2; ++button) {
            const WORD* b = w + 2 + 7 * button;
            EXPECT_EQ(b[0], 0xFFFE);
            EXPECT_EQ(b[1], button == 0 ? c.leftCommand : c.rightCommand) << c.id;
            EXPECT_EQ(b[2], 4);
            EXPECT_EQ(b[3], 0x10);
            EXPECT_EQ(String(b[4]), button == 0 ? c.leftLabel : c.rightLabel) << c.id;
            EXPECT_EQ(b[5], 0);
            EXPECT_EQ(b[6], 0xFFFF);
        }
    }
    EXPECT_EQ(String(1), L"Movimetra");
    EXPECT_EQ(String(2), L"ZUNO");
}

TEST(ResourcesTest, AcceleratorTableHasItsEightEntriesInOrderThenTabAndShiftTab) {
    RegisterMovimetraResources();
    const MV_RESOURCE_MODULE* module = MvGetResources();
    ASSERT_NE(module, nullptr);
    ASSERT_EQ(module->accelTableCount, 1);
    const MV_RES_ACCELTABLE& table = module->accelTables[0];
    EXPECT_EQ(table.id, 2u);
    ASSERT_EQ(table.count, 10);
    const WORD commands[] = {40002, 40000, 40003, 40004, 40005, 40006, 40007, 40008};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(table.entries[i].fVirt, FVIRTKEY | FNOINVERT | FCONTROL);
        EXPECT_EQ(table.entries[i].key, i % 2 == 0 ? 'A' : 'Q');
        EXPECT_EQ(table.entries[i].cmd, commands[i]);
    }
    // Tab and Shift+Tab move between input fields.
    EXPECT_EQ(table.entries[8].fVirt, FVIRTKEY | FNOINVERT);
    EXPECT_EQ(table.entries[8].key, VK_TAB);
    EXPECT_EQ(table.entries[8].cmd, IDM_NEXT_FIELD);
    EXPECT_EQ(table.entries[9].fVirt, FVIRTKEY | FNOINVERT | FSHIFT);
    EXPECT_EQ(table.entries[9].key, VK_TAB);
    EXPECT_EQ(table.entries[9].cmd, IDM_PREV_FIELD);
}

}  // namespace
