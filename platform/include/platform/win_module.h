// Modules, debug output and text conversion.
#pragma once

#include "platform/win_types.h"

// The running executable's full path ('/' separated on Linux).
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
// Maps a module name to a shared object beside the executable.
HMODULE LoadLibraryW(LPCWSTR name);
// Accepts an ordinal (MAKEINTRESOURCEW) in place of a name.
FARPROC GetProcAddressW(HMODULE module, LPCWSTR procName);
BOOL FreeLibrary(HMODULE module);

// Debug output (standard error when MOVIMETRA_DEBUG is set, otherwise nowhere).
void NKDbgPrintfW(LPCWSTR format, ...);
void OutputDebugStringW(LPCWSTR text);

// Text. wsprintfW follows the Windows convention: %s takes a wide string.
#define CP_ACP 0
#define CP_UTF8 65001
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR out, int outSize,
                        LPCSTR defaultChar, BOOL* usedDefault);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR mb, int mbCount, LPWSTR out, int outSize);
int _wtoi(const wchar_t* text);
double _wtof(const wchar_t* text);

// The user's interface language, from the locale (LC_ALL, LC_MESSAGES, LANG, the first one set):
// MAKELANGID of the language, LANG_NEUTRAL when it is unknown or "C"/"POSIX".
typedef WORD LANGID;
#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define LANG_KOREAN 0x12
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((WORD)((((WORD)(s)) << 10) | (WORD)(p)))
#define PRIMARYLANGID(lgid) ((WORD)(lgid)&0x3ff)
LANGID GetUserDefaultUILanguage();
// The calling thread's interface language: what SetThreadUILanguage set on this thread, else the
// user's. SetThreadUILanguage(0) goes back to the user's; it returns the language now in effect.
LANGID SetThreadUILanguage(LANGID language);
LANGID GetThreadUILanguage();
