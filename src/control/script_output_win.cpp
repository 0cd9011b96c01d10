#include "control/script_output_win.h"

#include <windows.h>

#include "control/text_codec_win.h"

namespace qv {
namespace {

bool WriteAll(HANDLE handle, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// WriteConsoleW shows the texts whatever the console's code page is.
bool WriteConsoleLine(HANDLE console, const std::string& utf8) {
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) {
        return false;
    }
    const std::wstring wide = Utf8ToWide(utf8) + L"\r\n";
    DWORD written = 0;
    return WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written,
                         nullptr) != FALSE;
}

}  // namespace

bool WriteOutputLine(const std::string& utf8) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        const DWORD type = GetFileType(out);
        if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
            return WriteAll(out, utf8 + "\n");
        }
        if (type == FILE_TYPE_CHAR && WriteConsoleLine(out, utf8)) {
            return true;
        }
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) {
        return false;  // started without a console and without a redirection: nobody reads it
    }
    HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool written = WriteConsoleLine(console, utf8);
    CloseHandle(console);
    return written;
}

}  // namespace qv
