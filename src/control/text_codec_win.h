#pragma once
#include "base/system_text_win.h"
#include "control/protocol.h"

namespace qv {

// The ANSI code page (GBK, like every text the program shows) to UTF-8, through UTF-16.
class WinTextCodec final : public TextCodec {
  public:
    std::string GbkToUtf8(const Text& text) const override { return GbkToUtf8Text(text); }
};

}  // namespace qv
