#include "system/handoff.h"

#include <windows.h>

#include "system/codepage.h"
#include "system/handles.h"
#include "system/log.h"

std::wstring ArgumentsOf(const std::wstring &commandLine) {
    // The program's name ends at the closing quotation mark when it opens
    // with one, else at the first blank.
    size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const size_t close = commandLine.find(L'"', 1);
        at = close == std::wstring::npos ? commandLine.size() : close + 1;
    } else {
        at = commandLine.find_first_of(L" \t");
        if (at == std::wstring::npos)
            at = commandLine.size();
    }
    while (at < commandLine.size() && (commandLine[at] == L' ' || commandLine[at] == L'\t'))
        ++at;
    return commandLine.substr(at);
}

std::wstring SixtyFourBitProgram() {
    std::wstring own(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size()));
    if (length == 0 || length >= own.size())
        return L"";
    own.resize(length);
    const size_t slash = own.find_last_of(L'\\');
    return slash == std::wstring::npos ? L"" : own.substr(0, slash + 1) + WideText(k64BitProgramName);
}

bool StartWithArguments(const std::wstring &program, const std::wstring &arguments) {
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        const DWORD error = GetLastError();
        WriteLog("CreateProcess " + AnsiText(program) + ": " + ApiErrorText(static_cast<long>(error)));
        SetLastError(error);
        return false;
    }
    KernelHandle process(started.hProcess);
    KernelHandle thread(started.hThread);
    return true;
}

std::string MissingProgramText(const std::wstring &program) {
    return std::string("This is 64-bit Windows: here Quillmara needs its 64-bit program, ") + k64BitProgramName +
           ", which is not in the folder of this one.\r\n\r\nCopy " + k64BitProgramName + " to " + AnsiText(program) +
           " and start Quillmara again.";
}
