// The entry point of Blaterix.exe.
#include "app/app.h"

#include "scoped/scoped.h"

#include <cstdlib>

// No exception ever leaves a window procedure; should one reach the top all
// the same, the process ends at once. This replaces the runtime's verbose
// handler and, with it, the demangler it drags into the executable.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

namespace {

// Runs before every other static initialiser of the program.
__attribute__((constructor(101))) void PrepareBeforeAnythingElse() {
    SetFpuMode();
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const ScopedCom com;
    PrepareThread();
    ProgramMain();
    return 0;
}
