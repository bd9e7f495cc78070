// Shared helpers of the test programs: a temporary folder, a captured log,
// registry keys that remove themselves, and a second process of the test
// program itself.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A new empty folder below %TEMP%, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
};

// Points LogFolder at a temporary folder holding an empty Quillmara.log for as
// long as it lives; lines() reads the log back.
class CapturedLog {
  public:
    CapturedLog();
    ~CapturedLog();
    std::vector<std::string> lines() const;
    std::string text() const;
    std::string file() const { return dir_ / "Quillmara.log"; }

  private:
    TempDir dir_;
    std::string previous_;
};

// root\path, created empty (any earlier content removed) and deleted again
// with its subtree when the object goes.
class TestKey {
  public:
    TestKey(HKEY root, std::string path);
    ~TestKey();
    TestKey(const TestKey &) = delete;
    TestKey &operator=(const TestKey &) = delete;
    HKEY root() const { return root_; }
    const std::string &path() const { return path_; }

  private:
    HKEY root_;
    std::string path_;
};

// Registry writes for laying out test data (keys are created as needed).
void SetRegString(HKEY root, const std::string &key, const std::string &name, const std::string &text,
                  DWORD type = REG_SZ);
void SetRegDword(HKEY root, const std::string &key, const std::string &name, DWORD value);
void SetRegBinary(HKEY root, const std::string &key, const std::string &name, const std::string &bytes,
                  DWORD type = REG_BINARY);
void SetRegMultiString(HKEY root, const std::string &key, const std::string &name,
                       const std::vector<std::string> &items);
void CreateRegKey(HKEY root, const std::string &key);
void DeleteRegTree(HKEY root, const std::string &key);
bool RegKeyExists(HKEY root, const std::string &key);

// Writes bytes to a file (created or replaced); true on success.
bool WriteFileBytes(const std::string &path, const std::string &bytes);
std::string ReadFileBytes(const std::string &path);

// Registers a child role: when the test program is started with
// "--child <name> [args...]" the function runs instead of the tests and its
// result is the exit code.
using ChildMain = std::function<int(const std::vector<std::string> &args)>;
bool RegisterChild(const std::string &name, ChildMain main);
// Starts this test program as the child <name>; returns its process handle
// (null on failure). The caller closes it.
HANDLE StartChild(const std::string &name, const std::vector<std::string> &args = {});
// Starts the child and waits for its exit code (-1 on failure or time-out).
int RunChild(const std::string &name, const std::vector<std::string> &args = {}, DWORD timeoutMs = 60000);

// The unix path of the Wine prefix this test runs in ("" on Windows).
std::string WinePrefixUnixPath();
