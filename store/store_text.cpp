// Text helpers of the record store.
#include "store/store_text.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "platform/windows.h"

namespace {

const char32_t kReplacement = 0xFFFD;

}  // namespace

std::string StoreUtf8FromWide(const wchar_t* text) {
    // The platform's conversion: surrogate pairs join, invalid code points become U+FFFD.
    if (!text || !*text) return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back();  // the terminator
    return out;
}

// Decoding stays the store's own: a malformed sequence becomes one U+FFFD where the platform's
// MultiByteToWideChar gives one per byte, and damaged texts read back show as they always did.
std::wstring StoreWideFromUtf8(const char* text) {
    std::wstring out;
    if (!text) return out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        unsigned char b = *p;
        if (b < 0x80) {
            out.push_back(static_cast<wchar_t>(b));
            ++p;
            continue;
        }
        int extra;
        char32_t cp;
        char32_t min;
        if ((b & 0xE0) == 0xC0) {
            extra = 1, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, cp = b & 0x07, min = 0x10000;
        } else {
            out.push_back(static_cast<wchar_t>(kReplacement));
            ++p;
            continue;
        }
        int i = 1;
        for (; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) break;  // also stops at the terminator
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (i <= extra || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(static_cast<wchar_t>(kReplacement));
            p += i;  // skip the lead byte and the continuation bytes seen
            continue;
        }
        out.push_back(static_cast<wchar_t>(cp));
        p += extra + 1;
    }
    return out;
}

std::wstring StoreFormat(const wchar_t* format, ...) {
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        int n = std::vswprintf(buf.data(), buf.size(), format, args);
        va_end(args);
        if (n >= 0 && static_cast<size_t>(n) < buf.size())
            return std::wstring(buf.data(), static_cast<size_t>(n));
        // vswprintf does not tell the length it needs: grow until it fits (bounded for safety).
        if (buf.size() >= (size_t{1} << 24)) return std::wstring();
        buf.resize(buf.size() * 4);
    }
}

std::wstring StoreHundredths(double value) {
    if (!std::isfinite(value)) value = 0.0;
    std::wstring text = StoreFormat(L"%.2f", value);
    // Whatever decimal point the C locale uses, the statement needs '.'.
    if (text.size() >= 3 && text[text.size() - 3] != L'.') text[text.size() - 3] = L'.';
    return text;
}

const std::wstring& StoreNullAsEmpty(const std::wstring& text) {
    static const std::wstring empty;
    return text == L"(null)" ? empty : text;
}

int StoreTextToInt(const std::wstring& raw) {
    const std::wstring& text = StoreNullAsEmpty(raw);
    size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > INT32_MAX) {
            value = int64_t{INT32_MAX} + 1;
            break;
        }
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<int>(value);
}

void StoreCopyText(wchar_t* dest, size_t destSize, const std::wstring& text) {
    if (!dest || destSize == 0) return;
    size_t n = text.size() < destSize - 1 ? text.size() : destSize - 1;
    std::wmemcpy(dest, text.data(), n);
    dest[n] = L'\0';
}
