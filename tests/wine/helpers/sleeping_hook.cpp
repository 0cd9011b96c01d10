// The notifier's hook that never ends by itself: it notes its process id in the file that
// QV_TEST_HOOK_FILE names, then sleeps until it is ended.
#include <windows.h>

#include <fstream>

int main() {
    char file[MAX_PATH];
    if (GetEnvironmentVariableA("QV_TEST_HOOK_FILE", file, sizeof file) == 0) {
        return 2;
    }
    std::ofstream(file, std::ios::app) << GetCurrentProcessId() << "\n";
    Sleep(INFINITE);
}
