#pragma once
// The system's profile (INI) functions and the program's own path, behind the Profile port.
#include <windows.h>

#include "app/ports.h"

namespace qv {

class WinProfile final : public Profile {
  public:
    Text ProgramPath() override;
    Text ReadProfileString(const Text& section, const Text& key, const Text& path) override;
    bool WriteProfileString(const Text& section, const Text& key, const Text& value,
                            const Text& path) override;
};

}  // namespace qv
