#pragma once
// The GBK -> UTF-8 conversion for the native tests, on iconv.
#include <iconv.h>

#include <string>

#include "control/protocol.h"

namespace qv::testing {

class IconvCodec : public TextCodec {
  public:
    std::string GbkToUtf8(const Text& text) const override {
        iconv_t cd = iconv_open("UTF-8", "GBK");
        std::string out;
        char buffer[256];
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        while (inLeft > 0) {
            char* next = buffer;
            std::size_t outLeft = sizeof buffer;
            if (iconv(cd, &in, &inLeft, &next, &outLeft) == static_cast<std::size_t>(-1) &&
                next == buffer) {
                out += "\xEF\xBF\xBD";  // U+FFFD for a byte that is not GBK
                ++in;
                --inLeft;
            }
            out.append(buffer, next);
        }
        iconv_close(cd);
        return out;
    }
};

}  // namespace qv::testing
