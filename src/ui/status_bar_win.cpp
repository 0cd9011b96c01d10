// 状态条1: the common-controls status bar, laid out from the unit's own part list.
#include <windows.h>

#include <commctrl.h>

#include "ui/form_win.h"
#include "ui/status_parts.h"
#include "ui/unit_win.h"

namespace qv {
namespace {

class StatusBarUnit final : public UnitControl {
  public:
    using UnitControl::UnitControl;

    bool Create(HWND parent, HFONT font) override {
        // Docked at the bottom (the control's default) and without a size grip; the form's
        // position and size are not used, the bar spans the parent's client width.
        hwnd_ = CreateWindowExA(0, STATUSCLASSNAMEA, "",
                                WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS | CCS_BOTTOM, 0, 0, 0, 0,
                                parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(record_.id)),
                                GetModuleHandleA(nullptr), nullptr);
        if (hwnd_ == nullptr) {
            return false;
        }
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        Layout();
        return true;
    }

    void SetStatusText(int part, const Text& text) override {
        if (!SetPartText(parts_, part, text)) {
            return;
        }
        SendText(part);
    }

    void OnParentResized() override {
        // The bar docks itself on WM_SIZE; the parts are then set again from our copy.
        SendMessageA(hwnd_, WM_SIZE, 0, 0);
        Layout();
    }

  private:
    void Layout() {
        if (parts_.empty()) {
            SendMessageA(hwnd_, SB_SIMPLE, TRUE, 0);
            return;
        }
        const BOOL wasSimple = static_cast<BOOL>(SendMessageA(hwnd_, SB_ISSIMPLE, 0, 0));
        SendMessageA(hwnd_, SB_SIMPLE, FALSE, 0);
        std::vector<int> edges = RightEdges(parts_);
        if (!SendMessageA(hwnd_, SB_SETPARTS, edges.size(),
                          reinterpret_cast<LPARAM>(edges.data()))) {
            SendMessageA(hwnd_, SB_SIMPLE, wasSimple, 0);
            return;
        }
        for (std::size_t i = 0; i < parts_.size(); ++i) {
            const int index = static_cast<int>(i);
            SendText(index);
            // The bar has no image list, so every part is without icon.
            SendMessageA(hwnd_, SB_SETICON, i, 0);
            SendMessageA(hwnd_, SB_SETTIPTEXTA, i,
                         reinterpret_cast<LPARAM>(parts_[i].tooltip.c_str()));
        }
    }

    void SendText(int index) {
        const StatusPart& part = parts_[static_cast<std::size_t>(index)];
        SendMessageA(hwnd_, SB_SETTEXTA, static_cast<WPARAM>(index) | part.style,
                     reinterpret_cast<LPARAM>(part.text.c_str()));
    }

    StatusParts parts_ = InitialStatusParts();
};

}  // namespace

std::unique_ptr<UnitControl> MakeStatusBarUnit(FormWindow& form, const UnitRecord& record) {
    return std::make_unique<StatusBarUnit>(form, record);
}

}  // namespace qv
