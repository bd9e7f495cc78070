// Classes registered for the tests of this folder, under the classes of the
// running system ("SOFTWARE") or of an offline installation
// ("_REMOTE_SOFTWARE"), each removed again with its object.
#pragma once
#include <windows.h>

#include <string>

#include "support/testing.h"

class TestClass {
  public:
    TestClass(const std::string &software, const std::string &clsid) : path_(software + "\\Classes\\CLSID\\" + clsid) {
        DeleteRegTree(HKEY_LOCAL_MACHINE, path_);
        CreateRegKey(HKEY_LOCAL_MACHINE, path_);
    }
    ~TestClass() { DeleteRegTree(HKEY_LOCAL_MACHINE, path_); }
    TestClass(const TestClass &) = delete;
    TestClass &operator=(const TestClass &) = delete;

    TestClass &Name(const std::string &name) {
        SetRegString(HKEY_LOCAL_MACHINE, path_, "", name);
        return *this;
    }
    TestClass &Server(const std::string &file) {
        SetRegString(HKEY_LOCAL_MACHINE, path_ + "\\InprocServer32", "", file, REG_EXPAND_SZ);
        return *this;
    }
    TestClass &ServerKeyOnly() {
        CreateRegKey(HKEY_LOCAL_MACHINE, path_ + "\\InprocServer32");
        return *this;
    }
    TestClass &Icon(const std::string &icon) {
        SetRegString(HKEY_LOCAL_MACHINE, path_ + "\\DefaultIcon", "", icon);
        return *this;
    }

  private:
    std::string path_;
};

// Class identifiers of the tests; none of them is registered by anything else.
inline const std::string kAlpha = "{5A11E700-0001-4000-8000-00000000A001}";    // name "Alpha", full path
inline const std::string kBare = "{5A11E700-0002-4000-8000-00000000A002}";     // bare file name, no name
inline const std::string kEnv = "{5A11E700-0003-4000-8000-00000000A003}";      // "%SystemRoot%" path
inline const std::string kIconOnly = "{5A11E700-0004-4000-8000-00000000A004}"; // only "DefaultIcon"
inline const std::string kGhost = "{5A11E700-0005-4000-8000-00000000A005}";    // never registered
inline const std::string kLiveOnly = "{5A11E700-0006-4000-8000-00000000A006}"; // running system only
