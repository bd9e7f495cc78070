// Readers of the files found in startup and task folders, working on the
// file's bytes: a shell link's local base path, the path found in a link's or
// a task file's printable text. No Windows API here, so that they can be built
// and fuzzed natively; scan/filereaders_win.h reads the files for them.
// Every offset and length is checked against the data: damaged or unexpected
// input gives "", never a read past the bytes given.
#pragma once
#include <cstddef>
#include <span>
#include <string>

// The bytes of one file.
using ByteView = std::span<const unsigned char>;

// The local base path of a shell link (published Shell Link layout): "" when
// the header does not say the link has link information, when that block has
// no local base path (a network target, an item-ID-only link), or when any
// size or offset does not fit inside the block and the data.
std::string LnkTarget(ByteView link);

// The characters made from the bytes 32 to 127 (inclusive), in order; every
// other byte is dropped, so UTF-16 text of ASCII characters becomes plain text.
std::string PrintableText(ByteView data);

// The path that a shortcut's printable text holds when its link information
// gave none: the text from the first "%S" on (an environment variable the
// caller expands), or else driveRoot followed by the text after the first
// "..\..\..\..\". The text ends three characters after its first ".". "" when
// neither marker or no "." after it is found.
std::string MSTarget(ByteView link, const std::string &driveRoot);

// The program a scheduled-task file starts: the printable text from the drive
// letter before its first ":\" on, ending three characters after its first
// ".". "" when there is no drive path or no "." after it; then *problem (when
// given) receives the reason for the log.
std::string TaskTarget(ByteView task, std::string *problem = nullptr);
