#include "control/text_codec_win.h"

#include <windows.h>

namespace qv {
namespace {

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

// The program's texts are compiled as GBK: code page 936 whatever the system's ANSI code page
// is. Bytes that are not GBK come out of MultiByteToWideChar as U+FFFD or their default
// character; WideCharToMultiByte to UTF-8 then always yields valid UTF-8.
std::string WinTextCodec::GbkToUtf8(const Text& text) const {
    constexpr UINT kGbk = 936;
    const std::wstring wide = ToWide(kGbk, text);
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

}  // namespace qv
