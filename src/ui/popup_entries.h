#pragma once
// The entries of a form menu's popup, built from the form's menu records.
#include <span>
#include <vector>

#include "base/text.h"
#include "ui/form_table.h"

namespace qv {

struct PopupEntry {
    Text caption;  // with the shortcut's name after a tab
    bool separator = false;
    bool disabled = false;
    bool checked = false;
    int command = 0;  // kFirstMenuCommand + position among the form's menu records
};

// The menu records that directly follow `menu` one level deeper, in form order; hidden
// ones are left out (they keep their command numbers). Empty when `menu` is not a menu
// record of `form` or has no entries.
std::vector<PopupEntry> PopupEntries(std::span<const UnitRecord> form, Unit menu);

}  // namespace qv
