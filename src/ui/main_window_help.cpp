// The Help menu's Help item: the help file beside the program, opened by the
// shell.
#include "system/files.h"
#include "system/log.h"
#include "ui/main_window.h"
#include "ui/shell_helpers.h"

void MainWindow::OnShowHelp(int) {
    std::string command = ProgramFolder() + "\\Help\\Quillmara.chm";
    const std::string result = ShellOpen(command);
    if (result != "Operation successful")
        WriteLog("Help " + result);
}
