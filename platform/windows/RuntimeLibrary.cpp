#include "platform/RuntimeLibrary.h"

#include "platform/windows/WindowsApi.h"

#include "platform/TextConversion.h"

namespace vorn::platform {

RuntimeLibrary::RuntimeLibrary(const char* fileName) : fileName_(fileName) {
    handle_ = ::LoadLibraryW(Utf8ToWide(fileName_).c_str());
    if (handle_ == nullptr) {
        error_ = "cannot load " + fileName_ + ": error " + std::to_string(::GetLastError());
    }
}

void* RuntimeLibrary::Find(const char* name) {
    if (handle_ == nullptr) {
        return nullptr;
    }
    // GetProcAddress gives a function pointer; the caller converts it back to its own type.
    void* symbol = reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
    if (symbol == nullptr && error_.empty()) {
        error_ = fileName_ + " has no " + name;
    }
    return symbol;
}

std::string SharedLibraryFileName(const std::string& name, int abiVersion) {
    return "lib" + name + "-" + std::to_string(abiVersion) + ".dll";
}

}  // namespace vorn::platform
