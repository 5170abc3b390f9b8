#include "offline/CurlLibrary.h"

#include <dlfcn.h>

#include <mutex>

namespace vorn {

namespace {

// The name the library is installed under in every libcurl4 flavour (OpenSSL, GnuTLS, NSS).
constexpr const char* kCurlSoname = "libcurl.so.4";

struct Loaded {
    CurlLibrary library;
    std::string error;
    bool ok = false;
};

template <typename Function>
bool Resolve(void* handle, const char* name, Function& function, std::string& error) {
    void* symbol = ::dlsym(handle, name);
    if (symbol == nullptr) {
        error = std::string(kCurlSoname) + " has no " + name;
        return false;
    }
    // POSIX guarantees that a data pointer from dlsym converts to the function's own type.
    function = reinterpret_cast<Function>(symbol);
    return true;
}

Loaded Load() {
    Loaded loaded;
    // Kept open until the program ends: a transfer may still run in a worker at exit.
    void* handle = ::dlopen(kCurlSoname, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        loaded.error = why != nullptr ? why : std::string("cannot load ") + kCurlSoname;
        return loaded;
    }
    CurlLibrary& l = loaded.library;
    std::string& e = loaded.error;
    const bool resolved = Resolve(handle, "curl_global_init", l.globalInit, e) &&
                          Resolve(handle, "curl_easy_init", l.easyInit, e) &&
                          Resolve(handle, "curl_easy_setopt", l.easySetopt, e) &&
                          Resolve(handle, "curl_easy_perform", l.easyPerform, e) &&
                          Resolve(handle, "curl_easy_getinfo", l.easyGetinfo, e) &&
                          Resolve(handle, "curl_easy_cleanup", l.easyCleanup, e) &&
                          Resolve(handle, "curl_easy_strerror", l.easyStrerror, e) &&
                          Resolve(handle, "curl_slist_append", l.slistAppend, e) &&
                          Resolve(handle, "curl_slist_free_all", l.slistFreeAll, e);
    if (!resolved) {
        return loaded;
    }
    const CURLcode init = l.globalInit(CURL_GLOBAL_DEFAULT);
    if (init != CURLE_OK) {
        loaded.error = l.easyStrerror(init);
        return loaded;
    }
    loaded.ok = true;
    return loaded;
}

}  // namespace

const CurlLibrary* LoadCurlLibrary(std::string& error) {
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = Load(); });
    if (!loaded.ok) {
        error = loaded.error;
        return nullptr;
    }
    return &loaded.library;
}

}  // namespace vorn
