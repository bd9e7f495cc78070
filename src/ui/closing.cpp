#include "ui/closing.h"

#include "ui/msgbox.h"

std::string MonitoringClosePrompt() {
    return "STARTUP MONITORING IS RUNNING.\r\n"
           "\r\n"
           "Do you want to continue startup monitoring?\r\n"
           "\r\n"
           "YES           Minimize to tray and continue monitoring.\r\n"
           "NO             Exit program entirely.\r\n"
           "CANCEL     Return to the program.";
}

CloseOutcome DecideClose(bool alreadyRunning, CloseReason reason, bool watching, const CloseAsk &ask) {
    if (alreadyRunning || reason == CloseReason::Other)
        return CloseOutcome::Exit;
    if (watching) {
        switch (ask(MonitoringClosePrompt(), BoxStyle::kYesNoCancelInfo, kMonitoringCloseTitle)) {
        case 2: // Cancel
            return CloseOutcome::Keep;
        case 6: // Yes
            return CloseOutcome::Hide;
        default:
            return CloseOutcome::Exit;
        }
    }
    // Only Yes quits: Wine's Yes/No box answers Escape with Cancel.
    return ask(kQuitPrompt, BoxStyle::kYesNoInfo, kQuitTitle) == 6 ? CloseOutcome::Exit : CloseOutcome::Keep;
}
