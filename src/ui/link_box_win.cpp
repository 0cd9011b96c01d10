// The hypertext link box: a window of its own class that lays out its markup once, paints it
// double-buffered and tracks the link under the mouse.
#include "ui/link_box_win.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "base/system_handles_win.h"
#include "ui/css_sheet.h"
#include "ui/form_win.h"
#include "ui/html_markup.h"
#include "ui/link_open_win.h"
#include "ui/unit_win.h"

namespace qv {
namespace {

constexpr const char* kLinkBoxClass = "QvLinkBox";
constexpr int kLinkEvent = 0;  // raised by a press on a kind-2 link, with its target
constexpr int kLinkCursorResource = 106;

// Selects an object into a DC until the scope ends.
auto Selected(HDC dc, HGDIOBJ object) {
    return ScopeGuard([dc, previous = SelectObject(dc, object)] { SelectObject(dc, previous); });
}

// Cursor 106 of the help program in the Windows directory, copied so the module can be let go
// at once. Systems without it get the system hand (owned by the system, never destroyed).
class LinkCursor {
  public:
    LinkCursor() {
        char dir[MAX_PATH] = {};
        const UINT length = GetWindowsDirectoryA(dir, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            const std::string path = std::string(dir) + "\\winhlp32.exe";
            if (HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
                if (HCURSOR shared = LoadCursorA(module, MAKEINTRESOURCEA(kLinkCursorResource))) {
                    cursor_ = CopyCursor(shared);
                    owned_ = cursor_ != nullptr;
                }
                FreeLibrary(module);
            }
        }
        if (cursor_ == nullptr) {
            cursor_ = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
        }
    }
    ~LinkCursor() {
        if (owned_) {
            DestroyCursor(cursor_);
        }
    }
    LinkCursor(const LinkCursor&) = delete;
    LinkCursor& operator=(const LinkCursor&) = delete;

    HCURSOR Get() const { return cursor_; }

  private:
    HCURSOR cursor_ = nullptr;
    bool owned_ = false;
};

int CALLBACK NoteFontFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FontInstalled(HDC dc, const std::string& family) {
    LOGFONTA wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(wanted.lfFaceName, family.c_str(), LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExA(dc, &wanted, &NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// The fonts the box's styles ask for, made once each and kept for the life of the box.
class FontCache {
  public:
    HFONT Get(HDC dc, const TextStyle& style) {
        const int height =
            -static_cast<int>(std::lround(style.fontSizePt * GetDeviceCaps(dc, LOGPIXELSY) / 72.0));
        const std::string& family = Family(dc, style.families);
        for (const Entry& e : fonts_) {
            if (e.family == family && e.height == height && e.bold == style.bold &&
                e.underline == style.underline) {
                return e.font.get();
            }
        }
        HFONT font = CreateFontA(height, 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL, FALSE,
                                 style.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, family.c_str());
        fonts_.push_back({family, height, style.bold, style.underline, GdiObject<HFONT>(font)});
        return font;
    }

  private:
    struct Entry {
        std::string family;
        int height;
        bool bold;
        bool underline;
        GdiObject<HFONT> font;
    };

    // The first installed family of the list; with none installed the last, for the font
    // mapper to find the nearest.
    const std::string& Family(HDC dc, const std::vector<std::string>& families) {
        for (const std::string& f : families) {
            auto known = std::find_if(installed_.begin(), installed_.end(),
                                      [&f](const auto& k) { return k.first == f; });
            if (known == installed_.end()) {
                installed_.emplace_back(f, FontInstalled(dc, f));
                known = std::prev(installed_.end());
            }
            if (known->second) {
                return f;
            }
        }
        static const std::string kNone;
        return families.empty() ? kNone : families.back();
    }

    std::vector<Entry> fonts_;
    std::vector<std::pair<std::string, bool>> installed_;
};

class SimpleHtmlUnit final : public UnitControl {
  public:
    using UnitControl::UnitControl;
    ~SimpleHtmlUnit() override {
        // The window may outlive the unit; it must not reach a destroyed one.
        if (hwnd_ != nullptr && IsWindow(hwnd_)) {
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        }
    }

    bool Create(HWND parent, HFONT font) override {
        if (!RegisterLinkBoxClass() ||
            !CreateControl(parent, 0, kLinkBoxClass, "", 0, font, record_.height)) {
            return false;
        }
        cursor_.emplace();
        const Text markup = *record_.caption ? Text(record_.caption) : LinkLineMarkup();
        HDC dc = GetDC(hwnd_);
        layout_ = LayOutMarkup(ParseMarkup(markup), BuiltInStyleSheet(),
                               [this, dc](const TextStyle& style, std::string_view text) {
                                   return Measure(dc, style, text);
                               });
        ReleaseDC(hwnd_, dc);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return true;
    }

    const std::vector<LinkRecord>& Links() const { return layout_.links; }
    int Hover() const { return hover_; }
    HCURSOR Cursor() const { return cursor_ ? cursor_->Get() : nullptr; }

    static SimpleHtmlUnit* FromWindow(HWND hwnd) {
        char name[32] = {};
        if (hwnd == nullptr || !GetClassNameA(hwnd, name, sizeof name) ||
            lstrcmpA(name, kLinkBoxClass) != 0) {
            return nullptr;
        }
        auto* unit = reinterpret_cast<UnitControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        return static_cast<SimpleHtmlUnit*>(unit);
    }

  private:
    static bool RegisterLinkBoxClass() {
        WNDCLASSA cls = {};
        if (GetClassInfoA(GetModuleHandleA(nullptr), kLinkBoxClass, &cls)) {
            return true;
        }
        cls.lpfnWndProc = &LinkBoxProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        cls.lpszClassName = kLinkBoxClass;
        return RegisterClassA(&cls) != 0;
    }

    static LRESULT CALLBACK LinkBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        // Set by CreateControl right after creation, cleared when the unit goes first.
        auto* self = static_cast<SimpleHtmlUnit*>(
            reinterpret_cast<UnitControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)));
        if (self == nullptr) {
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
        switch (message) {
            case WM_PAINT:
                self->OnPaint();
                return 0;
            case WM_PRINTCLIENT:
                self->Paint(reinterpret_cast<HDC>(wParam));
                return 0;
            case WM_ERASEBKGND:
                return 1;  // painted whole in WM_PAINT
            case WM_NCPAINT:
                return 0;  // no border, no frame to draw; the system would take a DC for it
            case WM_MOUSEMOVE:
                self->OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                return 0;
            case WM_MOUSELEAVE:
                self->OnMouseLeave();
                return 0;
            case WM_SETCURSOR:
                if (reinterpret_cast<HWND>(wParam) == hwnd && LOWORD(lParam) == HTCLIENT) {
                    self->OnSetCursor();
                    return TRUE;
                }
                break;
            case WM_SETFONT:
                // Kept for those who ask; the box draws in the fonts its style sheet names.
                self->font_ = reinterpret_cast<HFONT>(wParam);
                return 0;
            case WM_GETFONT:
                return reinterpret_cast<LRESULT>(self->font_);
            case WM_LBUTTONDOWN:
                self->OnLeftPress(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                return 0;
            case WM_NCDESTROY:
                self->cursor_.reset();  // the link cursor goes with the box
                break;
            default:
                break;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    TextExtent Measure(HDC dc, const TextStyle& style, std::string_view text) {
        const auto font = Selected(dc, fonts_.Get(dc, style));
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        SIZE size = {};
        if (!text.empty()) {
            GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
        }
        return {static_cast<int>(size.cx), static_cast<int>(metrics.tmHeight),
                static_cast<int>(metrics.tmAscent)};
    }

    void OnPaint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        Paint(dc);
        EndPaint(hwnd_, &ps);
    }

    void Paint(HDC target) {
        RECT client;
        GetClientRect(hwnd_, &client);
        const MemoryDc dc(CreateCompatibleDC(target));
        const GdiObject<HBITMAP> bitmap(
            CreateCompatibleBitmap(target, client.right, client.bottom));
        if (!dc || !bitmap) {
            return;
        }
        {
            const auto canvas = Selected(dc.get(), bitmap.get());
            FillRect(dc.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
            SetBkMode(dc.get(), TRANSPARENT);
            const int hoverAnchor = hover_ >= 0 ? layout_.links[hover_].anchor : -1;
            for (const PlacedText& piece : layout_.pieces) {
                const bool hovered = piece.anchor >= 0 && piece.anchor == hoverAnchor;
                DrawPiece(dc.get(), piece, hovered ? piece.hoverStyle : piece.style);
            }
            BitBlt(target, 0, 0, client.right, client.bottom, dc.get(), 0, 0, SRCCOPY);
        }
    }

    void DrawPiece(HDC dc, const PlacedText& piece, const TextStyle& style) {
        RECT rc = {piece.rect.left, piece.rect.top, piece.rect.right, piece.rect.bottom};
        if (style.background) {
            const GdiObject<HBRUSH> brush(CreateSolidBrush(*style.background));
            FillRect(dc, &rc, brush.get());
        }
        const auto font = Selected(dc, fonts_.Get(dc, style));
        SetTextColor(dc, style.color);
        TextOutA(dc, piece.rect.left, piece.rect.top, piece.text.data(),
                 static_cast<int>(piece.text.size()));
    }

    int HitTestAt(int x, int y) const { return HitTestLinks(layout_.links, x, y); }

    void SetHover(int index) {
        if (index != hover_) {
            hover_ = index;
            InvalidateRect(hwnd_, nullptr, FALSE);
        }
    }

    void OnMouseMove(int x, int y) {
        // Ask for WM_MOUSELEAVE so a link left in one quick move loses its underline.
        if (!trackingLeave_) {
            TRACKMOUSEEVENT track = {};
            track.cbSize = sizeof track;
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = hwnd_;
            trackingLeave_ = TrackMouseEvent(&track) != FALSE;
        }
        SetHover(HitTestAt(x, y));
    }

    void OnMouseLeave() {
        trackingLeave_ = false;
        SetHover(kNoLink);
    }

    void OnSetCursor() {
        POINT pt = {};
        GetCursorPos(&pt);
        ScreenToClient(hwnd_, &pt);
        const int index = HitTestAt(pt.x, pt.y);
        SetHover(index);
        const bool overTarget =
            index >= 0 && !layout_.links[static_cast<std::size_t>(index)].target.empty();
        HCURSOR cursor = overTarget ? Cursor() : nullptr;
        SetCursor(cursor ? cursor : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    }

    void OnLeftPress(int x, int y) {
        const int index = HitTestAt(x, y);
        if (index < 0) {
            return;
        }
        // A copy: the event handler may run a nested message loop.
        const LinkRecord link = layout_.links[static_cast<std::size_t>(index)];
        if (link.target.empty()) {
            return;
        }
        if (link.kind == LinkKind::Url) {
            OpenLinkTarget(hwnd_, link.target);
        } else if (link.kind == LinkKind::Event) {
            form_.Raise(record_.id, kLinkEvent,
                        reinterpret_cast<std::intptr_t>(link.target.c_str()));
        }
    }

    LinkLayout layout_;
    FontCache fonts_;
    std::optional<LinkCursor> cursor_;
    HFONT font_ = nullptr;
    int hover_ = kNoLink;
    bool trackingLeave_ = false;
};

}  // namespace

const std::vector<LinkRecord>* LinkBoxLinks(HWND box) {
    const SimpleHtmlUnit* unit = SimpleHtmlUnit::FromWindow(box);
    return unit ? &unit->Links() : nullptr;
}

int LinkBoxHover(HWND box) {
    const SimpleHtmlUnit* unit = SimpleHtmlUnit::FromWindow(box);
    return unit ? unit->Hover() : kNoLink;
}

HCURSOR LinkBoxCursor(HWND box) {
    const SimpleHtmlUnit* unit = SimpleHtmlUnit::FromWindow(box);
    return unit ? unit->Cursor() : nullptr;
}

std::unique_ptr<UnitControl> MakeSimpleHtmlUnit(FormWindow& form, const UnitRecord& record) {
    return std::make_unique<SimpleHtmlUnit>(form, record);
}

}  // namespace qv
