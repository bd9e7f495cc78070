// The file readers of the startup and task folders, on files: each file is
// opened for reading only (sharing read and write, so read-only files, files
// on read-only media and files another program has open are read), read once
// and whole, and handed to the byte readers of scan/filereaders.h. A file that
// does not open gives "" without a log line; window events run once per file.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Startup files larger than this are not read.
constexpr std::size_t kMaxStartupFileSize = std::size_t{1} << 20;

// Reads the whole file into bytes. False when it does not open (no log line),
// is larger than kMaxStartupFileSize or cannot be read (one log line, headed
// by logTag, e.g. "LnkTarget ").
bool ReadStartupFile(const std::string &path, std::vector<unsigned char> &bytes, const std::string &logTag);

// The target of the shell link at path, as Windows resolves it.
std::string LnkTarget(const std::string &path);
// The path found in the shortcut's printable text; "..\..\..\..\" is taken
// from driveRoot, the drive root of the scanned installation (InstallContext::root).
std::string MSTarget(const std::string &path, const std::string &driveRoot);
// The key "URL" of the section "InternetShortcut" of the internet shortcut.
std::string UrlTarget(const std::string &path);
// The program the task file starts; "" and one "TaskTarget " log line when
// its text names none.
std::string TaskTarget(const std::string &path);
