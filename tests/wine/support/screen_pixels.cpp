#include "wine/support/screen_pixels.h"

#include <fstream>
#include <functional>

namespace qv::testing {
namespace {

// A `width` x `height` picture filled by `draw` into a memory DC.
Pixels Capture(int width, int height, const std::function<void(HDC)>& draw) {
    Pixels pixels;
    if (width <= 0 || height <= 0) {
        return pixels;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        draw(memory);
        GdiFlush();
        const auto* first = static_cast<const std::uint32_t*>(bits);
        pixels.width = width;
        pixels.height = height;
        pixels.data.assign(first, first + static_cast<std::size_t>(width) * height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace

bool Pixels::SaveBmp(const std::string& path) const {
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    const auto bytes = static_cast<DWORD>(data.size() * 4);
    file.bfType = 0x4d42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + bytes;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(reinterpret_cast<const char*>(data.data()), bytes);
    return !data.empty() && out.good();
}

Pixels ScreenPixels(const RECT& rect) {
    return Capture(rect.right - rect.left, rect.bottom - rect.top, [&rect](HDC memory) {
        HDC screen = GetDC(nullptr);
        BitBlt(memory, 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left,
               rect.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
    });
}

Pixels WholeScreen() {
    return ScreenPixels({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

Pixels WindowPixels(HWND window, Drawn how) {
    RECT client;
    if (!GetClientRect(window, &client)) {
        return {};
    }
    return Capture(client.right, client.bottom, [&](HDC memory) {
        if (how == Drawn::Printed) {
            PrintWindow(window, memory, PW_CLIENTONLY);
            return;
        }
        HDC surface = GetDC(window);
        BitBlt(memory, 0, 0, client.right, client.bottom, surface, 0, 0, SRCCOPY);
        ReleaseDC(window, surface);
    });
}

}  // namespace qv::testing
