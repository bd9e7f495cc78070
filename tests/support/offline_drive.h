// A drive letter of its own for a test: a free letter mapped to a new empty
// temporary folder for as long as the object lives, with helpers that lay out
// the boot configuration and the Windows folder of an offline installation.
// Under Wine the letter is a link in the prefix's "dosdevices" folder (made and
// removed with the system's own ln and rm) plus a DOS device definition, so
// that file access and the drive list both see it; on Windows the definition
// alone. Test programs using it need the "live-system" marker file.
#pragma once
#include <string>

#include "support/testing.h"

class OfflineDrive {
  public:
    // Claims the first free letter from `first` on (up to Y:).
    explicit OfflineDrive(char first = 'D');
    ~OfflineDrive();
    OfflineDrive(const OfflineDrive &) = delete;
    OfflineDrive &operator=(const OfflineDrive &) = delete;

    bool ok() const { return letter_ != 0; }
    char letter() const { return letter_; }
    // "Q:\"
    std::string root() const;
    // The folder behind the letter (its path through the temporary folder).
    const std::string &folder() const { return dir_.path(); }
    // root() & relative path.
    std::string operator/(const std::string &relative) const { return root() + relative; }

    // Writes a file below the drive (folders made as needed); true on success.
    bool WriteFile(const std::string &relative, const std::string &bytes) const;
    bool MakeFolder(const std::string &relative) const;
    // boot.ini with a "boot loader" section whose default line is defaultLine.
    bool WriteBootIni(const std::string &defaultLine) const;
    // Boot\BCD holding bytes.
    bool WriteBcd(const std::string &bytes) const;
    // <windowsFolder>\system32\config, with the given hive files (empty when
    // their bytes are empty).
    bool MakeWindowsFolder(const std::string &windowsFolder = "Windows") const;
    bool WriteConfigFile(const std::string &windowsFolder, const std::string &name, const std::string &bytes) const;
    // An installation in "WINDOWS" named by boot.ini whose SOFTWARE and SYSTEM
    // files are there but are no hives: loading them fails.
    bool MakeUnloadableInstallation() const;

    // Bytes resembling a BCD hive whose boot loader path is
    // "\<windowsFolder>\system32\winload.exe" (stored as UTF-16 among binary data).
    static std::string BcdImage(const std::string &windowsFolder);
    // text as UTF-16LE bytes.
    static std::string Utf16(const std::string &text);

  private:
    bool Claim(char letter);
    void Release();

    TempDir dir_;
    std::string marker_;
    std::string unixLink_; // the dosdevices link under Wine
    char letter_ = 0;
};

// Makes link (a Windows path, not there yet) a symbolic link to the folder
// target: under Wine with the system's ln, elsewhere with CreateSymbolicLink.
// True once the link shows.
bool MakeFolderLink(const std::string &target, const std::string &link);
// Takes such a link away again (not what it leads to).
void RemoveFolderLink(const std::string &link);

// The Windows path of a unix file (Wine only; "" elsewhere).
std::string DosPath(const std::string &unixPath);
