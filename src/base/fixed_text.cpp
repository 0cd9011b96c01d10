#include "base/fixed_text.h"

#include <cstring>

namespace qv {

std::size_t CopyToField(char* field, std::size_t capacity, const Text& text) {
    if (field == nullptr || capacity == 0) {
        return 0;
    }
    // Stop at the text's own zero byte, as the system will when it reads the field.
    const std::size_t length = std::strlen(text.c_str());
    std::size_t count = length < capacity - 1 ? length : capacity - 1;
    if (count < length) {
        // Walk characters so a cut never leaves half a two-byte character behind.
        std::size_t i = 0;
        const char* begin = text.c_str();
        const char* end = begin + length;
        while (i < count) {
            const std::size_t step = IsLeadByte(begin + i, end) ? 2 : 1;
            if (i + step > count) {
                break;
            }
            i += step;
        }
        count = i;
    }
    std::memcpy(field, text.c_str(), count);
    field[count] = '\0';
    return count;
}

}  // namespace qv
