// The registry access layer: every key the program opens for its own work is
// opened here and recorded in the open-key table with a readable name, so that
// keys left open can be found, closed and logged. The text helpers the
// registry readers use (CutAtNull, CleanString) are in system/text.h.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "system/text.h"

// One slot of the open-key table (and of the loaded-hives list); a slot whose
// hKey is null is free and keeps its KeyName.
struct KeyTrack {
    HKEY hKey = nullptr;
    std::string KeyName;
};

// The open-key table, used from slot 1.
std::vector<KeyTrack> &OpenKeys();

constexpr REGSAM kWriteAccess = 0x3F;

// Opens root\subKey for reading (KEY_READ) or writing (0x3F) and records it;
// null when it does not open (nothing logged). An empty subKey opens the root.
HKEY OpenKey(HKEY root, const std::string &subKey);
HKEY OpenKeyWrite(HKEY root, const std::string &subKey);
// Opens root\subKey for writing, creating it (and the keys above it) when
// missing, and records it; null when that fails (nothing logged).
HKEY CreateKeyWrite(HKEY root, const std::string &subKey);
// Opens the subkey name of an open key for reading and records it under
// trackName; null when it does not open (error, when given, receives the
// system's answer; nothing is logged).
HKEY OpenChildKey(HKEY parent, const std::string &name, const std::string &trackName, long *error = nullptr);
// Releases the key's slot (if it has one) and closes it. Null is ignored.
void CloseKey(HKEY key);
// What TrackKey does with a key.
enum TrackAction : int {
    kTrackOpened = 1, // record the key under name (first free slot, else a new one)
    kTrackClosed = 2  // free its slot
};
// Records or releases the key as action says; any other action does nothing.
void TrackKey(HKEY key, int action, const std::string &name);
// Closes every key still in the table, one log line each.
void CloseOpenKeys();

// "HKEY_LOCAL_MACHINE\", "HKEY_USERS\", else "".
std::string RootName(HKEY root);
// True when root\subKey opens and has at least one subkey.
bool FirstSubKeyName(HKEY root, const std::string &subKey);

// Owns a key opened through OpenKey/OpenKeyWrite and closes it through CloseKey.
class ScopedKey {
  public:
    ScopedKey() = default;
    explicit ScopedKey(HKEY key) : key_(key) {}
    ScopedKey(const ScopedKey &) = delete;
    ScopedKey &operator=(const ScopedKey &) = delete;
    ScopedKey(ScopedKey &&o) noexcept : key_(std::exchange(o.key_, nullptr)) {}
    ScopedKey &operator=(ScopedKey &&o) noexcept {
        if (this != &o) {
            reset();
            key_ = std::exchange(o.key_, nullptr);
        }
        return *this;
    }
    ~ScopedKey() { reset(); }
    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }
    void reset(HKEY key = nullptr) {
        if (key_ != nullptr)
            CloseKey(key_);
        key_ = key;
    }
    HKEY release() { return std::exchange(key_, nullptr); }

  private:
    HKEY key_ = nullptr;
};
