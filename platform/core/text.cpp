// Text: Windows-convention formatting (wsprintfW, debug output), UTF-8 conversion (CP_ACP is
// UTF-8 here) and the _wtoi/_wtof number readers.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/core/core_state.h"
#include "platform/win_module.h"

namespace mv {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// Appends one conversion: `conv` is the whole conversion with glibc's meaning.
template <typename T>
void AppendFormatted(std::wstring* out, const std::wstring& conv, T value) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        int n = std::swprintf(buffer.data(), buffer.size(), conv.c_str(), value);
        if (n >= 0) {
            out->append(buffer.data(), static_cast<size_t>(n));
            return;
        }
        if (buffer.size() >= (1u << 20)) return;  // swprintf reports no size: grow and retry
        buffer.resize(buffer.size() * 4);
    }
}

bool IsValidScalar(uint32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// Decodes one UTF-8 sequence; invalid or truncated input yields U+FFFD and consumes one byte.
uint32_t DecodeUtf8(const unsigned char* s, size_t n, size_t* used) {
    unsigned char c = s[0];
    *used = 1;
    if (c < 0x80) return c;
    int len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || static_cast<size_t>(len) > n) return kReplacement;
    uint32_t cp = c & (0x7F >> len);
    for (int i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80) return kReplacement;
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || !IsValidScalar(cp)) return kReplacement;
    *used = static_cast<size_t>(len);
    return cp;
}

void EncodeUtf8(uint32_t cp, std::string* out) {
    if (!IsValidScalar(cp)) cp = kReplacement;
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// UTF-8 of `count` wide characters (UTF-16 surrogate pairs are joined).
std::string EncodeWide(const wchar_t* wide, size_t count) {
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        uint32_t c = static_cast<uint32_t>(wide[i]);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count) {
            uint32_t low = static_cast<uint32_t>(wide[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        EncodeUtf8(c, &out);
    }
    return out;
}

std::wstring DecodeBytes(const char* mb, size_t count) {
    std::wstring out;
    out.reserve(count);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(mb);
    size_t i = 0;
    while (i < count) {
        size_t used;
        out.push_back(static_cast<wchar_t>(DecodeUtf8(s + i, count - i, &used)));
        i += used;
    }
    return out;
}

}  // namespace

std::string WideToUtf8(const std::wstring& text) {
    return EncodeWide(text.data(), text.size());
}

std::wstring Utf8ToWide(const std::string& text) {
    return DecodeBytes(text.data(), text.size());
}

std::wstring FormatWindowsV(const wchar_t* format, va_list args) {
    std::wstring out;
    if (format == nullptr) return out;
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            out.push_back(*p++);
            continue;
        }
        if (p[1] == L'%') {
            out.push_back(L'%');
            p += 2;
            continue;
        }
        // %[flags][width][.precision][length]type
        std::wstring conv = L"%";
        ++p;
        while (*p && std::wcschr(L"-+ #0", *p)) conv.push_back(*p++);
        auto takeNumber = [&]() {
            if (*p == L'*') {
                conv += std::to_wstring(va_arg(args, int));
                ++p;
                return;
            }
            while (*p >= L'0' && *p <= L'9') conv.push_back(*p++);
        };
        takeNumber();
        if (*p == L'.') {
            conv.push_back(*p++);
            takeNumber();
        }
        int longs = 0;
        bool half = false;
        bool wide64 = false;
        for (;;) {
            if (*p == L'l') {
                ++longs;
                ++p;
            } else if (*p == L'h') {
                half = true;
                ++p;
            } else if (*p == L'w') {
                ++p;
            } else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
                wide64 = true;
                p += 3;
            } else {
                break;
            }
        }
        wchar_t type = *p;
        if (type == 0) break;
        ++p;
        switch (type) {
            case L'd':
            case L'i':
                if (wide64 || longs >= 2)
                    AppendFormatted(&out, conv + L"lld", va_arg(args, long long));
                else if (longs == 1)
                    AppendFormatted(&out, conv + L"ld", va_arg(args, long));
                else
                    AppendFormatted(&out, conv + L"d", va_arg(args, int));
                break;
            case L'u':
            case L'x':
            case L'X':
            case L'o': {
                std::wstring t(1, type);
                if (wide64 || longs >= 2)
                    AppendFormatted(&out, conv + L"ll" + t, va_arg(args, unsigned long long));
                else if (longs == 1)
                    AppendFormatted(&out, conv + L"l" + t, va_arg(args, unsigned long));
                else
                    AppendFormatted(&out, conv + t, va_arg(args, unsigned int));
                break;
            }
            case L'f':
            case L'F':
            case L'e':
            case L'E':
            case L'g':
            case L'G':
                AppendFormatted(&out, conv + std::wstring(1, type), va_arg(args, double));
                break;
            case L'c':
                if (half)
                    AppendFormatted(&out, conv + L"c", va_arg(args, int));
                else
                    AppendFormatted(&out, conv + L"lc", static_cast<wint_t>(va_arg(args, int)));
                break;
            case L'C':
                AppendFormatted(&out, conv + L"c", va_arg(args, int));
                break;
            case L's':
                if (half) {
                    const char* s = va_arg(args, const char*);
                    AppendFormatted(&out, conv + L"ls", Utf8ToWide(s ? s : "(null)").c_str());
                } else {
                    const wchar_t* s = va_arg(args, const wchar_t*);
                    AppendFormatted(&out, conv + L"ls", s ? s : L"(null)");
                }
                break;
            case L'S': {
                const char* s = va_arg(args, const char*);
                AppendFormatted(&out, conv + L"ls", Utf8ToWide(s ? s : "(null)").c_str());
                break;
            }
            case L'p':
                AppendFormatted(&out, conv + L"p", va_arg(args, void*));
                break;
            default:
                // Unknown conversion: written as it stands.
                out += conv;
                out.push_back(type);
                break;
        }
    }
    return out;
}

}  // namespace mv

using namespace mv;

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
    if (buffer == nullptr) return 0;
    va_list args;
    va_start(args, format);
    std::wstring text = FormatWindowsV(format, args);
    va_end(args);
    // Win32 writes at most 1024 characters including the terminator.
    size_t n = std::min<size_t>(text.size(), 1023);
    text.copy(buffer, n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

void OutputDebugStringW(LPCWSTR text) {
    if (text == nullptr) return;
    const char* debug = std::getenv("MOVIMETRA_DEBUG");
    if (debug == nullptr || *debug == 0) return;
    std::string utf8 = WideToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

void NKDbgPrintfW(LPCWSTR format, ...) {
    const char* debug = std::getenv("MOVIMETRA_DEBUG");
    if (debug == nullptr || *debug == 0) return;
    va_list args;
    va_start(args, format);
    std::wstring text = FormatWindowsV(format, args);
    va_end(args);
    OutputDebugStringW(text.c_str());
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int wideCount, LPSTR out, int outSize, LPCSTR,
                        BOOL* usedDefault) {
    if (usedDefault) *usedDefault = FALSE;
    if (wide == nullptr || outSize < 0 || (codePage != CP_ACP && codePage != CP_UTF8)) return 0;
    size_t count = wideCount < 0 ? std::wcslen(wide) + 1 : static_cast<size_t>(wideCount);
    std::string bytes = EncodeWide(wide, count);
    if (outSize == 0) return static_cast<int>(bytes.size());
    if (out == nullptr || bytes.size() > static_cast<size_t>(outSize)) return 0;  // buffer too small
    bytes.copy(out, bytes.size());
    return static_cast<int>(bytes.size());
}

int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR mb, int mbCount, LPWSTR out, int outSize) {
    if (mb == nullptr || outSize < 0 || (codePage != CP_ACP && codePage != CP_UTF8)) return 0;
    size_t count = mbCount < 0 ? std::strlen(mb) + 1 : static_cast<size_t>(mbCount);
    std::wstring wide = DecodeBytes(mb, count);
    if (outSize == 0) return static_cast<int>(wide.size());
    if (out == nullptr || wide.size() > static_cast<size_t>(outSize)) return 0;
    wide.copy(out, wide.size());
    return static_cast<int>(wide.size());
}

int _wtoi(const wchar_t* text) {
    if (text == nullptr) return 0;
    errno = 0;
    long long v = std::wcstoll(text, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

double _wtof(const wchar_t* text) {
    if (text == nullptr) return 0.0;
    return std::wcstod(text, nullptr);
}
