#pragma once

#include <string>

namespace vorn::platform {

// A shared library opened when a feature first needs it instead of at program start, for
// libraries whose loading costs every start time that most starts never use. Kept open until the
// program ends: a worker may still be inside it at exit.
class RuntimeLibrary {
public:
    // Opens the library by its file name: its soname on Linux ("libcurl.so.4"), its DLL name on
    // Windows ("libcurl-4.dll"), found where the system looks for libraries; see ok() and
    // error().
    explicit RuntimeLibrary(const char* fileName);
    RuntimeLibrary(const RuntimeLibrary&) = delete;
    RuntimeLibrary& operator=(const RuntimeLibrary&) = delete;

    // Points `function` at the library's symbol `name`; false, with error() saying which symbol
    // is missing, when the library is not open or lacks it.
    template <typename Function>
    bool Resolve(const char* name, Function& function) {
        void* symbol = Find(name);
        if (symbol == nullptr) {
            return false;
        }
        // dlsym and GetProcAddress give a pointer that converts to the function's own type.
        function = reinterpret_cast<Function>(symbol);
        return true;
    }

    bool ok() const { return handle_ != nullptr && error_.empty(); }
    const std::string& error() const { return error_; }

private:
    void* Find(const char* name);

    std::string fileName_;
    void* handle_ = nullptr;
    std::string error_;
};

// The file name a library of ABI version `abiVersion` goes by on this platform:
// "lib<name>.so.<version>" on Linux, "lib<name>-<version>.dll" on Windows (as MinGW names its
// DLLs).
std::string SharedLibraryFileName(const std::string& name, int abiVersion);

}  // namespace vorn::platform
