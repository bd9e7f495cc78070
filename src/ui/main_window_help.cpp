// The Help menu's Help item: the help file beside the program, opened in the
// system's help viewer once it is known that only Administrators and SYSTEM
// may change it where it is.
#include <windows.h>

#include "system/files.h"
#include "system/folder_trust.h"
#include "system/log.h"
#include "ui/help_file.h"
#include "ui/main_window.h"
#include "ui/msgbox.h"
#include "ui/shell_helpers.h"

std::string OpenHelpFile(const std::string &helpFile) {
    // A missing file is the viewer's to tell.
    const std::string fault =
        GetFileAttributesA(helpFile.c_str()) == INVALID_FILE_ATTRIBUTES ? "" : ElevatedFileFault(helpFile);
    if (!fault.empty()) {
        WriteLog("Help refused: " + fault);
        const std::string text = "Quillmara does not open its help file from where it is: others than "
                                 "Administrators and SYSTEM may change it there,\r\nand the help viewer, started "
                                 "as administrator, would show what they put in its place (" +
                                 fault + ").";
        MsgBoxEx(text, BoxStyle::kOkInfo, "Quillmara");
        return text;
    }
    const std::string result = StartHelpViewer(helpFile);
    if (result != "Operation successful")
        WriteLog("Help " + result);
    return result;
}

void MainWindow::OnShowHelp(int) { OpenHelpFile(ProgramFolder() + "\\Help\\Quillmara.chm"); }
