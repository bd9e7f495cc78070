// The main window's small dialogs: Show Environment and About.
#include "ui/dialogs/about.h"
#include "ui/dialogs/environment.h"
#include "ui/main_window.h"

void MainWindow::OnEnvironment(int) {
    if (!environment_)
        environment_ = std::make_unique<EnvironmentDialog>();
    environment_->Open(hwnd());
}

void MainWindow::CloseEnvironment() { CloseEnvironmentWindow(); }

// The dialog's own ShowAbout: the member of that name runs this command.
void MainWindow::OnAbout(int) { ::ShowAbout(hwnd()); }
