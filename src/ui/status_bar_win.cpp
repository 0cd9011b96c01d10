#include <windows.h>

#include <commctrl.h>

#include "ui/form_win.h"
#include "ui/unit_win.h"

namespace qv {
namespace {

// A plain three-part status bar until the unit keeps its own part list.
class StatusBarUnit final : public UnitControl {
public:
    using UnitControl::UnitControl;
    bool Create(HWND parent, HFONT) override {
        hwnd_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS,
                                0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
        int edges[] = {200, 350, -1};
        SendMessageA(hwnd_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
        const char* texts[] = {"当前状态：", "当前IP：", "之前IP："};
        for (int i = 0; i < 3; ++i) {
            SendMessageA(hwnd_, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(texts[i]));
        }
        return hwnd_ != nullptr;
    }
    void SetStatusText(int part, const Text& text) override {
        if (part >= 0 && part < 3) {
            SendMessageA(hwnd_, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text.c_str()));
        }
    }
    void OnParentResized() override { SendMessageA(hwnd_, WM_SIZE, 0, 0); }
};

}  // namespace

std::unique_ptr<UnitControl> MakeStatusBarUnit(FormWindow& form, const UnitRecord& record) {
    return std::make_unique<StatusBarUnit>(form, record);
}

}  // namespace qv
