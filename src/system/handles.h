// Small owners for Windows handles: each closes its handle once, on every path.
#pragma once
#include <windows.h>

#include <utility>

template <typename Traits> class UniqueWinHandle {
  public:
    using handle_type = typename Traits::handle_type;
    UniqueWinHandle() = default;
    explicit UniqueWinHandle(handle_type h) : h_(h) {}
    UniqueWinHandle(const UniqueWinHandle &) = delete;
    UniqueWinHandle &operator=(const UniqueWinHandle &) = delete;
    UniqueWinHandle(UniqueWinHandle &&o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
    UniqueWinHandle &operator=(UniqueWinHandle &&o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, Traits::invalid());
        }
        return *this;
    }
    ~UniqueWinHandle() { reset(); }

    handle_type get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::invalid(); }
    handle_type release() { return std::exchange(h_, Traits::invalid()); }
    void reset(handle_type h = Traits::invalid()) {
        if (h_ != Traits::invalid())
            Traits::close(h_);
        h_ = h;
    }

  private:
    handle_type h_ = Traits::invalid();
};

struct FileHandleTraits {
    using handle_type = HANDLE;
    static handle_type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(handle_type h) { CloseHandle(h); }
};
struct KernelHandleTraits {
    using handle_type = HANDLE;
    static handle_type invalid() { return nullptr; }
    static void close(handle_type h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using handle_type = HANDLE;
    static handle_type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(handle_type h) { FindClose(h); }
};
struct ModuleHandleTraits {
    using handle_type = HMODULE;
    static handle_type invalid() { return nullptr; }
    static void close(handle_type h) { FreeLibrary(h); }
};

// A file from CreateFile (invalid is INVALID_HANDLE_VALUE).
using FileHandle = UniqueWinHandle<FileHandleTraits>;
// A token, mutex, process or other kernel object (invalid is null).
using KernelHandle = UniqueWinHandle<KernelHandleTraits>;
// A search from FindFirstFile.
using FindHandle = UniqueWinHandle<FindHandleTraits>;
// A library from LoadLibrary.
using ModuleHandle = UniqueWinHandle<ModuleHandleTraits>;
