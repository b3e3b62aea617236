// Bridge to the external date-picker library "CalendarPicker.dll": loads it on demand, looks up
// its entry points by ordinal, runs the date-selection dialog and unloads it again.
#pragma once

#include "platform/windows.h"

class CCalendarDlgHelper {
public:
    // Ordinal 2: shows the modal picker; non-zero when a date was chosen (wYear/wMonth/wDay set).
    typedef int (*RunSelectViewFn)(const wchar_t* title, SYSTEMTIME* date, HWND owner);

    // The single instance; created and loaded on first use.
    static CCalendarDlgHelper* GetInstance();
    // Unloads the library and deletes the instance (if any).
    static void DestroyInstance();

    void LoadDllFunc();
    int RunSelectDateDlg(const wchar_t* title, SYSTEMTIME* date, HWND owner);

    // Read access for tests.
    HMODULE Module() const { return m_hDll; }
    FARPROC EntryPoint(int ordinal) const;

private:
    CCalendarDlgHelper() = default;

    HMODULE m_hDll = nullptr;
    FARPROC m_fpOrdinal1 = nullptr;  // stored, never called
    FARPROC m_fpRunSelectView = nullptr;
    FARPROC m_fpOrdinal3 = nullptr;  // 3 to 7: stored, never called
    FARPROC m_fpOrdinal4 = nullptr;
    FARPROC m_fpOrdinal5 = nullptr;
    FARPROC m_fpOrdinal6 = nullptr;
    FARPROC m_fpOrdinal7 = nullptr;
};
