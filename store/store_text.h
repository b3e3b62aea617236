// Text helpers of the record store: UTF-16/UTF-8 conversion, printf-style composition of wide
// texts of any length, and the number formats the statements use.
#pragma once

#include <string>

// UTF-8 of a wide text (wchar_t holds one code point here); invalid code points become U+FFFD.
std::string StoreUtf8FromWide(const wchar_t* text);
// Wide text of UTF-8 bytes; malformed sequences become U+FFFD. A null pointer gives "".
std::wstring StoreWideFromUtf8(const char* text);
// printf-style composition ("%ls" for wide arguments) without a length limit.
std::wstring StoreFormat(const wchar_t* format, ...);
// A number with two decimals as "%.2lf" writes it, always with '.' whatever the C locale says;
// values that are not finite are written as 0.00 so that a statement stays valid.
std::wstring StoreHundredths(double value);
// Integer value of the leading digits of a text (0 for none); "(null)" counts as empty.
int StoreTextToInt(const std::wstring& text);
// The text as a stored value is read: "(null)" counts as empty.
const std::wstring& StoreNullAsEmpty(const std::wstring& text);
// Copies a text into a fixed buffer, truncated to fit and always terminated.
void StoreCopyText(wchar_t* dest, size_t destSize, const std::wstring& text);
