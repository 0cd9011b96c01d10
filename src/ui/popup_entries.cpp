#include "ui/popup_entries.h"

#include <cstring>

namespace qv {

std::vector<PopupEntry> PopupEntries(std::span<const UnitRecord> form, Unit menu) {
    std::vector<PopupEntry> entries;
    int command = kFirstMenuCommand;
    const UnitRecord* owner = nullptr;
    for (const UnitRecord& r : form) {
        if (r.type != UnitType::Menu) {
            if (owner != nullptr) {
                break;  // the entries end where the run of menu records ends
            }
            continue;
        }
        const int number = command++;
        if (owner == nullptr) {
            if (r.id == menu) {
                owner = &r;
            }
            continue;
        }
        if (r.level <= owner->level) {
            break;
        }
        // Deeper entries belong to a sub-popup, which the form does not use.
        if (r.level != owner->level + 1 || (r.flags & menu_flag::kHidden) != 0) {
            continue;
        }
        const char* caption = r.caption != nullptr ? r.caption : "";
        PopupEntry entry;
        entry.separator = std::strcmp(caption, "-") == 0;
        entry.caption = caption;
        if (!entry.separator && r.shortcut != nullptr && r.shortcut[0] != '\0') {
            entry.caption += '\t';
            entry.caption += r.shortcut;
        }
        entry.disabled = (r.flags & menu_flag::kDisabled) != 0;
        entry.checked = (r.flags & menu_flag::kChecked) != 0;
        entry.command = number;
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace qv
