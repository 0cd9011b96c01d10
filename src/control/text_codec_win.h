#pragma once
#include "control/protocol.h"

namespace qv {

// The ANSI code page (GBK, like every text the program shows) to UTF-8, through UTF-16.
class WinTextCodec final : public TextCodec {
  public:
    std::string GbkToUtf8(const Text& text) const override;
};

// UTF-8 to UTF-16, for writing to a console.
std::wstring Utf8ToWide(const std::string& text);

}  // namespace qv
