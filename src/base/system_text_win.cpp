#include "base/system_text_win.h"

#include <windows.h>

#include "base/time_text.h"

namespace qv {
namespace {

constexpr UINT kGbkCodePage = 936;

std::wstring ToWide(UINT codePage, const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(text.size());
    const int chars = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (chars <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), chars);
    return wide;
}

}  // namespace

std::string GbkToUtf8Text(const Text& text) {
    const std::wstring wide = ToWide(kGbkCodePage, text);
    if (wide.empty()) {
        return std::string();
    }
    const int size = static_cast<int>(wide.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return std::string();
    }
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::wstring Utf8ToWide(const std::string& text) {
    return ToWide(CP_UTF8, text);
}

std::string LocalTimeText() {
    FILETIME utcFile;
    GetSystemTimeAsFileTime(&utcFile);
    SYSTEMTIME utc;
    SYSTEMTIME local;
    FILETIME localFile;
    FileTimeToSystemTime(&utcFile, &utc);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
        !SystemTimeToFileTime(&local, &localFile)) {
        return IsoTimeText(utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond,
                           std::nullopt);
    }
    const auto ticks = [](const FILETIME& time) {
        return static_cast<long long>((ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime);
    };
    // 100 ns ticks; the clock moved on between the two readings by less than a minute.
    const long long offsetTicks = ticks(localFile) - ticks(utcFile);
    constexpr long long kTicksPerMinute = 600000000LL;
    const long long offsetMinutes =
        (offsetTicks + (offsetTicks < 0 ? -1 : 1) * kTicksPerMinute / 2) / kTicksPerMinute;
    return IsoTimeText(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute,
                       local.wSecond, static_cast<int>(offsetMinutes));
}

}  // namespace qv
