#pragma once
// Pixels as a person sees them: copied from the screen, or from what a window draws, as
// 32-bit words 0x00RRGGBB, top row first. Shared by the tests and the benchmark.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qv::testing {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> data;  // empty when nothing could be copied

    std::uint32_t At(int x, int y) const { return data[static_cast<std::size_t>(y * width + x)]; }
    // Brightness 0-255 as the eye weighs red, green and blue.
    static int Luma(std::uint32_t pixel) {
        return (static_cast<int>((pixel >> 16) & 0xff) * 299 +
                static_cast<int>((pixel >> 8) & 0xff) * 587 +
                static_cast<int>(pixel & 0xff) * 114) /
               1000;
    }
    // As a 32-bit top-down BMP file.
    bool SaveBmp(const std::string& path) const;
};

// `rect` of the screen, in screen coordinates.
Pixels ScreenPixels(const RECT& rect);
// The whole screen.
Pixels WholeScreen();
// `window`'s client area: as the window draws itself into a picture (PrintWindow), or as its
// surface shows it now, so that a missing repaint shows as stale pixels.
enum class Drawn { Printed, OnScreen };
Pixels WindowPixels(HWND window, Drawn how);

}  // namespace qv::testing
