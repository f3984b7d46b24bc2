// Keeps the machine's desktop up while the benchmark runs, as the shell of a real Windows
// does: without a program on it, Wine ends the desktop process a moment after the last one
// leaves and starts it again for the next window, which a timed run would then pay for.
//   bench_desktop     runs until its machine is stopped
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    GetDesktopWindow();
    for (;;) {
        Sleep(INFINITE);
    }
}
