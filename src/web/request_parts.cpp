#include "web/request_parts.h"

namespace qv {

RequestKind RequestKindForScheme(int scheme) {
    switch (scheme) {
        case kSchemeHttp:
            return {true, kServiceHttp, kRequestFlags};
        case kSchemeHttps:
            return {true, kServiceHttp, kRequestFlags | kSecureFlag};
        default:
            return {};
    }
}

Text ObjectName(std::string_view pathWithQuery) {
    return Text(pathWithQuery.substr(0, pathWithQuery.find('#')));
}

}  // namespace qv
