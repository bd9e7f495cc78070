// Quillmara's entry point: the agreement dialog, the main window and the
// message loop. The command line handed in holds the arguments only.
#include <windows.h>

#include "system/platform.h"
#include "ui/startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    RestrictDllSearch();
    return RunProgram(arguments != nullptr ? arguments : "");
}
