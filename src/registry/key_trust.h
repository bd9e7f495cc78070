// Trust in the keys that hold the program's own records (the settings key
// under HKEY_LOCAL_MACHINE: key moves, restore copies, loaded hives): the
// security such a key gets, the decision whether a key's security lets
// someone else write, and the repair of a key whose security does.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "system/object_security.h"

// Owner Administrators; a protected DACL giving Administrators and SYSTEM
// full control and Users read, passed on to every subkey.
inline constexpr const char *kRecordKeySecurity = "O:BAD:P(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KR;;;BU)";

// Why a key with this security is not to be trusted: "" when its owner is
// Administrators or SYSTEM and no allowed entry lets anyone else change it
// (values, subkeys, links, permissions, owner, deletion), here or in what it
// passes on; else the reason, for the log.
std::string KeySecurityFault(PSECURITY_DESCRIPTOR descriptor);

// Makes root\path a key to trust before any record in it is read: made with
// kRecordKeySecurity when missing; it and every key below it whose security
// KeySecurityFault refuses get kRecordKeySecurity (one log line each). Keys
// are opened as they are, never through a registry link: a link below it is
// neither repaired nor followed (logged). faulted, when given, receives the
// path of each key that was repaired, could not be, or is a link: what they
// hold was written while others could write. False when a key could not be
// made or repaired (logged).
bool SecureRecordKey(HKEY root, const std::string &path, std::vector<std::string> *faulted = nullptr);

// True when the key, opened with REG_OPTION_OPEN_LINK, is a registry link
// (its "SymbolicLinkValue" is of type REG_LINK).
bool IsLinkKey(HKEY key);

// A test stands in for the read of a key's security with read, which gets the
// key's full name and answers its descriptor string; an empty function
// removes it.
using KeySecurityRead = std::function<std::string(const std::string &keyName)>;
void SetKeySecurityRead(KeySecurityRead read);
