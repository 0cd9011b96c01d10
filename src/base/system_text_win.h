#pragma once
// Texts the system makes for us: the program's GBK as UTF-8, and the local time.
#include <string>

#include "base/text.h"

namespace qv {

// The program's texts are compiled as GBK: code page 936 whatever the system's ANSI code page
// is. Bytes that are not GBK come out as U+FFFD or the default character, never as invalid
// UTF-8.
std::string GbkToUtf8Text(const Text& text);

// UTF-8 to UTF-16, for writing to a console.
std::wstring Utf8ToWide(const std::string& text);

// Now, in local time with its offset from UTC (daylight saving included):
// "2026-12-08T14:05:09+08:00"; in UTC when the system cannot tell the local time.
std::string LocalTimeText();

}  // namespace qv
