#include "ui/form_win.h"
#include "ui/unit_win.h"

namespace qv {
namespace {

// Placeholder link box: the plain text of the link line.
class SimpleHtmlUnit final : public UnitControl {
public:
    using UnitControl::UnitControl;
    bool Create(HWND parent, HFONT font) override {
        return CreateControl(parent, 0, "STATIC", "相关连接：软件使用说明  Telmora论坛", 0, font,
                             record_.height) != nullptr;
    }
};

}  // namespace

std::unique_ptr<UnitControl> MakeSimpleHtmlUnit(FormWindow& form, const UnitRecord& record) {
    return std::make_unique<SimpleHtmlUnit>(form, record);
}

}  // namespace qv
