#include "base/program_end_win.h"

namespace qv {
namespace {
EndRoutines& Registered() {
    static EndRoutines routines;
    return routines;
}
}  // namespace

void RegisterEndRoutines(EndRoutines routines) {
    Registered() = routines;
}

void EndProgram(UINT exitCode) {
    EndRoutines routines = Registered();
    Registered() = EndRoutines{};  // a second path to the end runs nothing twice
    if (routines.cleanUp) {
        routines.cleanUp();
    }
    if (routines.serviceTeardown) {
        routines.serviceTeardown();
    }
    ExitProcess(exitCode);
}

}  // namespace qv
