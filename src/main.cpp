// Quillmara's entry point. Until the main window exists the program takes its
// single instance and ends.
#include <windows.h>

#include "system/instance.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!CheckSingleInstance())
        return 1;
    ReleaseInstanceMutex();
    return 0;
}
