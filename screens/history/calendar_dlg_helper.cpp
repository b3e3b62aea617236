#include "screens/history/calendar_dlg_helper.h"

#include <new>

#include "app/app_path.h"

namespace {

CCalendarDlgHelper* g_pCalendarDlgHelper = nullptr;

}  // namespace

CCalendarDlgHelper* CCalendarDlgHelper::GetInstance() {
    if (g_pCalendarDlgHelper == nullptr) {
        CCalendarDlgHelper* helper = new (std::nothrow) CCalendarDlgHelper();
        if (helper == nullptr) return nullptr;
        g_pCalendarDlgHelper = helper;
        helper->LoadDllFunc();
    }
    return g_pCalendarDlgHelper;
}

void CCalendarDlgHelper::DestroyInstance() {
    CCalendarDlgHelper* helper = g_pCalendarDlgHelper;
    g_pCalendarDlgHelper = nullptr;
    if (helper == nullptr) return;
    if (helper->m_hDll != nullptr) {
        FreeLibrary(helper->m_hDll);
        helper->m_hDll = nullptr;
    }
    delete helper;
}

void CCalendarDlgHelper::LoadDllFunc() {
    if (m_hDll == nullptr) m_hDll = LoadLibraryW(L"CalendarPicker.dll");
    // An installed program keeps the picker in the install's library folder.
    if (m_hDll == nullptr)
        m_hDll = LoadLibraryW((CAppPath().GetLibraryDir() + L"CalendarPicker.dll").c_str());
    if (m_hDll == nullptr) {
        NKDbgPrintfW(L"%s m_hDll is NULL\r\n", L"CCalendarDlgHelper::LoadDllFunc");
        return;
    }
    FARPROC* const slots[7] = {&m_fpOrdinal1, &m_fpRunSelectView, &m_fpOrdinal3, &m_fpOrdinal4,
                               &m_fpOrdinal5, &m_fpOrdinal6,      &m_fpOrdinal7};
    for (int i = 0; i < 7; ++i) {
        if (*slots[i] == nullptr) *slots[i] = GetProcAddressW(m_hDll, MAKEINTRESOURCEW(i + 1));
    }
}

int CCalendarDlgHelper::RunSelectDateDlg(const wchar_t* title, SYSTEMTIME* date, HWND owner) {
    if (m_fpRunSelectView == nullptr) {
        NKDbgPrintfW(L"%s m_fpRunSelectView is NULL\r\n", L"CCalendarDlgHelper::RunSelectDateDlg");
        return 0;
    }
    // The entry point was looked up untyped; its real type is the one the library exports.
    RunSelectViewFn run = reinterpret_cast<RunSelectViewFn>(reinterpret_cast<void*>(m_fpRunSelectView));
    return run(title, date, owner);
}

FARPROC CCalendarDlgHelper::EntryPoint(int ordinal) const {
    switch (ordinal) {
        case 1:
            return m_fpOrdinal1;
        case 2:
            return m_fpRunSelectView;
        case 3:
            return m_fpOrdinal3;
        case 4:
            return m_fpOrdinal4;
        case 5:
            return m_fpOrdinal5;
        case 6:
            return m_fpOrdinal6;
        case 7:
            return m_fpOrdinal7;
        default:
            return nullptr;
    }
}
