#include "platform/RuntimeLibrary.h"

#include <dlfcn.h>

namespace vorn::platform {

RuntimeLibrary::RuntimeLibrary(const char* fileName) : fileName_(fileName) {
    handle_ = ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = ::dlerror();
        error_ = why != nullptr ? why : "cannot load " + fileName_;
    }
}

void* RuntimeLibrary::Find(const char* name) {
    if (handle_ == nullptr) {
        return nullptr;
    }
    void* symbol = ::dlsym(handle_, name);
    if (symbol == nullptr && error_.empty()) {
        error_ = fileName_ + " has no " + name;
    }
    return symbol;
}

std::string SharedLibraryFileName(const std::string& name, int abiVersion) {
    return "lib" + name + ".so." + std::to_string(abiVersion);
}

}  // namespace vorn::platform
