// Readers of the files found in startup and task folders, working on the
// file's bytes: a shell link's target, the path found in a link's or a task
// file's printable text. No Windows API here, so that they can be built
// and fuzzed natively; scan/filereaders_win.h reads the files for them.
// Every offset and length is checked against the data: damaged or unexpected
// input gives "", never a read past the bytes given.
#pragma once
#include <cstddef>
#include <span>
#include <string>

// The bytes of one file.
using ByteView = std::span<const unsigned char>;

// Turns UTF-16 text of a link (long names, the strings of a Unicode link)
// into the program's code page.
using WideToAnsi = std::string (*)(const std::u16string &);
// The conversion used where no code page is at hand: characters below 128 as
// they are, every other one as "?".
std::string AsciiText(const std::u16string &text);

// The target of a shell link (published Shell Link layout), as Windows
// resolves it:
// - with link information: its local base path followed by its common path
//   suffix; for a link to a network share, the share's name followed by the
//   suffix. "" when the header says the link has link information but the
//   block does not fit, or its local base path is empty;
// - without: the path its item-ID list spells; else, when the list spells
//   none, its working folder (a drive or network path) joined with its
//   relative path. A link made by an installer (advertised) gives "" here.
// "" when any size or offset used does not fit inside the data.
std::string LnkTarget(ByteView link, WideToAnsi toAnsi = AsciiText);

// The item-ID list of a shell link: the items after the list's size field;
// empty when the link has none or it does not fit.
ByteView LinkItemList(ByteView link);

// The path an item-ID list spells: the computer, a drive ("C:\"), then one
// item per folder and the file, each by its long name (its 0xBEEF0004
// extension block), else by its own name. "" when the list starts otherwise,
// holds an item of another kind or a name that is no file name, or an item
// does not fit.
std::string ItemListPath(ByteView items, WideToAnsi toAnsi = AsciiText);

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
// letter before its first ":\" on (a drive path stored as UTF-16 first, and
// only a letter counts as one), ending three characters after its first
// ".". "" when there is no drive path or no "." after it; then *problem (when
// given) receives the reason for the log.
std::string TaskTarget(ByteView task, std::string *problem = nullptr);
