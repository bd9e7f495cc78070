// The program's log: "Quillmara.log" in LogFolder, one CR LF line per event,
// only appended to a file that already exists; and the text of system errors.
#pragma once
#include <string>

// Folder of the log file; empty means nothing is logged.
std::string &LogFolder();

// Appends text and CR LF to the log; true when the write reported success.
bool WriteLog(const std::string &text);

// "5&H5: Access is denied." for a system error code, "<no such error>" when the
// system has no text for it.
std::string ApiErrorText(long code);
