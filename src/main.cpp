// Quillmara's entry point: the agreement dialog, the main window and the
// message loop. The command line handed in holds the arguments only.
// The 32-bit program on 64-bit Windows hands over to the 64-bit one instead.
#include <windows.h>

#include "system/codepage.h"
#include "system/handoff.h"
#include "system/log.h"
#include "system/platform.h"
#include "ui/startup.h"

namespace {

// Starts the 64-bit program beside this one with the same arguments; 0 when
// it started, else 1 after a message naming what to do.
[[maybe_unused]] int HandOverTo64BitProgram() {
    const std::wstring program = SixtyFourBitProgram();
    if (!program.empty() && GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        MessageBoxA(nullptr, MissingProgramText(program).c_str(), "Quillmara", MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }
    if (!program.empty() && StartWithArguments(program, ArgumentsOf(GetCommandLineW())))
        return 0;
    const std::string text = "Quillmara could not start its 64-bit program " + AnsiText(program) + ": " +
                             ApiErrorText(static_cast<long>(GetLastError()));
    MessageBoxA(nullptr, text.c_str(), "Quillmara", MB_OK | MB_ICONEXCLAMATION);
    return 1;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    RestrictDllSearch();
#ifndef _WIN64
    if (Platform().wow64)
        return HandOverTo64BitProgram();
#endif
    return RunProgram(arguments != nullptr ? arguments : "");
}
