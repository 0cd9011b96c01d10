#include "app/service_state.h"

namespace qv {

ServiceState& TheServiceState() {
    static ServiceState state;
    return state;
}

}  // namespace qv
