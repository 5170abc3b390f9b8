#include "offline/CurlLibrary.h"

#include <mutex>

#include "platform/RuntimeLibrary.h"

namespace vorn {

namespace {

struct Loaded {
    CurlLibrary library;
    std::string error;
    bool ok = false;
};

Loaded Load() {
    // The name the library is installed under in every libcurl4 flavour.
    static platform::RuntimeLibrary curl("libcurl.so.4");
    Loaded loaded;
    CurlLibrary& l = loaded.library;
    const bool resolved = curl.Resolve("curl_global_init", l.globalInit) &&
                          curl.Resolve("curl_easy_init", l.easyInit) &&
                          curl.Resolve("curl_easy_setopt", l.easySetopt) &&
                          curl.Resolve("curl_easy_perform", l.easyPerform) &&
                          curl.Resolve("curl_easy_getinfo", l.easyGetinfo) &&
                          curl.Resolve("curl_easy_cleanup", l.easyCleanup) &&
                          curl.Resolve("curl_easy_strerror", l.easyStrerror) &&
                          curl.Resolve("curl_slist_append", l.slistAppend) &&
                          curl.Resolve("curl_slist_free_all", l.slistFreeAll);
    if (!resolved) {
        loaded.error = curl.error();
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
