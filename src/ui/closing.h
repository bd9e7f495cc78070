// What closing the main window does before anything is given back: the
// questions (whether to keep monitoring while watching runs, else whether to
// quit) and the outcome they lead to. Plain code: the answers come from ask.
#pragma once
#include <functional>
#include <string>

// Why the main window closes: the user (close box, system menu, Alt+F4), the
// program's own Exit commands, or anything else (the session ending).
enum class CloseReason { User = 0, Program = 1, Other = 2 };

enum class CloseOutcome {
    Keep, // the window stays as it was
    Hide, // hidden in the notification area, watching goes on
    Exit, // the program ends
};

std::string MonitoringClosePrompt();
constexpr const char *kMonitoringCloseTitle = "CONTINUE STARTUP MONITORING?";
constexpr const char *kQuitPrompt = "Quit Quillmara?";
constexpr const char *kQuitTitle = "QUIT PROGRAM?";

using CloseAsk = std::function<int(const std::string &prompt, int style, const std::string &title)>;

// A second instance and a close for any other reason ask nothing and exit.
// While watching runs: Yes hides, Cancel keeps, No exits. Otherwise: Yes
// exits, anything else (No, or Cancel from Escape) keeps.
CloseOutcome DecideClose(bool alreadyRunning, CloseReason reason, bool watching, const CloseAsk &ask);
