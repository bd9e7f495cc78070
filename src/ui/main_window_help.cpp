// The Help menu's Help item: the help file beside the program, opened in the
// system's help viewer.
#include "system/files.h"
#include "system/log.h"
#include "ui/main_window.h"
#include "ui/shell_helpers.h"

void MainWindow::OnShowHelp(int) {
    const std::string result = StartHelpViewer(ProgramFolder() + "\\Help\\Quillmara.chm");
    if (result != "Operation successful")
        WriteLog("Help " + result);
}
