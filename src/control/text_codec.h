#pragma once
// The program's texts are GBK; what scripts read is UTF-8. The conversion is the system's
// (Win32 in the program, iconv in the native tests), reached through this port.
#include <string>

#include "base/text.h"

namespace qv {

class TextCodec {
  public:
    virtual ~TextCodec() = default;
    // Bytes that are not valid GBK come out as U+FFFD, never as invalid UTF-8.
    virtual std::string GbkToUtf8(const Text& text) const = 0;
};

}  // namespace qv
