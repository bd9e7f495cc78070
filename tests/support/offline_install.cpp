#include "support/offline_install.h"

#include "registry/hives.h"

namespace {
const std::string kSource = "SOFTWARE\\QuillmaraTests\\OfflineHives";
const std::string kRunPath = "Microsoft\\Windows\\CurrentVersion\\Run";
} // namespace

bool SaveHiveFile(const std::string &path, const std::string &file) {
    EnablePrivileges();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DeleteFileA(file.c_str());
    const LONG rc = RegSaveKeyA(key, file.c_str(), nullptr);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

OfflineInstallation::OfflineInstallation() : source(HKEY_LOCAL_MACHINE, kSource) {}

bool OfflineInstallation::Build() {
    if (!drive.ok() || !drive.WriteBootIni("multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS") ||
        !drive.MakeWindowsFolder("WINDOWS"))
        return false;
    const std::string sw = kSource + "\\software", sys = kSource + "\\system", user = kSource + "\\user";
    SetRegString(HKEY_LOCAL_MACHINE, sw + "\\" + kRunPath, "Tool", "\"%SystemRoot%\\tool.exe\" /x", REG_EXPAND_SZ);
    SetRegString(HKEY_LOCAL_MACHINE, sw + "\\" + kRunPath + "\\AutorunsDisabled", "Off", "C:\\Tools\\off.exe");
    SetRegString(HKEY_LOCAL_MACHINE, sw + "\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList", "ProfilesDirectory",
                 "%SystemDrive%\\Documents and Settings", REG_EXPAND_SZ);
    SetRegDword(HKEY_LOCAL_MACHINE, sys + "\\Select", "Current", 1);
    SetRegDword(HKEY_LOCAL_MACHINE, sys + "\\ControlSet001\\Services\\OfflineSvc", "Start", 2);
    SetRegDword(HKEY_LOCAL_MACHINE, sys + "\\ControlSet001\\Services\\OfflineSvc", "Type", 16);
    SetRegString(HKEY_LOCAL_MACHINE, sys + "\\ControlSet001\\Services\\OfflineSvc", "ObjectName", "LocalSystem");
    SetRegString(HKEY_LOCAL_MACHINE, sys + "\\ControlSet001\\Services\\OfflineSvc", "ImagePath",
                 "C:\\WINDOWS\\system32\\offsvc.exe", REG_EXPAND_SZ);
    SetRegString(HKEY_LOCAL_MACHINE, user + "\\Software\\" + kRunPath, "UserTool", "C:\\Tools\\u.exe -q");
    return SaveHiveFile(sw, drive / "WINDOWS\\system32\\config\\software") &&
           SaveHiveFile(sys, drive / "WINDOWS\\system32\\config\\system") &&
           drive.MakeFolder("Documents and Settings\\Ann") &&
           SaveHiveFile(user, drive / "Documents and Settings\\Ann\\NTUSER.DAT") &&
           drive.MakeFolder("Documents and Settings\\Default User") &&
           SaveHiveFile(user, drive / "Documents and Settings\\Default User\\NTUSER.DAT") &&
           drive.MakeFolder("Documents and Settings\\NoHive") && drive.WriteFile("WINDOWS\\tool.exe", "MZ") &&
           drive.WriteFile("Tools\\u.exe", "MZ");
}
