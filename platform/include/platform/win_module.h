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
