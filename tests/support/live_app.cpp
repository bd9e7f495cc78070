#include "support/live_app.h"

#include <string>

#include "registry/access.h"
#include "scan/driver.h"
#include "scan/locations.h"
#include "support/scan_pass.h"
#include "support/testing.h"
#include "ui/main_window.h"

namespace {
const std::string kSettings = "Software\\Fernhollowsys\\Quillmara";
}

RegValue AcceptAgreement() {
    ScopedKey settings(OpenKey(HKEY_LOCAL_MACHINE, kSettings));
    RegValue saved = ReadValue(settings.get(), "EulaAccepted");
    SetRegDword(HKEY_LOCAL_MACHINE, kSettings, "EulaAccepted", 1);
    return saved;
}

void RestoreAgreement(const RegValue &saved) {
    if (saved.present)
        SetRegBinary(HKEY_LOCAL_MACHINE, kSettings, "EulaAccepted", saved.data, saved.type);
    else
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSettings.c_str(), "EulaAccepted");
}

bool ScanLiveSystem() {
    UseInstallations(0);
    LoadPaths();
    return SetScope(true);
}

bool LoadMirror(MainWindow &mirror) {
    if (!mirror.CreateHidden())
        return false;
    mirror.ClearGrids();
    mirror.LoadGrids();
    return true;
}

LPARAM CellCentre(const RECT &cell) { return MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2); }
