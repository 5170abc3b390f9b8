#include "offline/CurlLibrary.h"

#include <optional>

#include "platform/RuntimeLibrary.h"

namespace vorn {

const CurlLibrary* LoadCurlLibrary(std::string& error) {
    // Set once, by the initialisation below, and only read after it.
    static std::string failure;
    static const std::optional<CurlLibrary> loaded = []() -> std::optional<CurlLibrary> {
        // ABI 4: the name the library goes by in every libcurl4 flavour on Linux, and the DLL
        // that the Windows build puts beside the program.
        static platform::RuntimeLibrary curl(platform::SharedLibraryFileName("curl", 4).c_str());
        CurlLibrary l;
        if (!(curl.Resolve("curl_global_init", l.globalInit) &&
              curl.Resolve("curl_easy_init", l.easyInit) &&
              curl.Resolve("curl_easy_setopt", l.easySetopt) &&
              curl.Resolve("curl_easy_perform", l.easyPerform) &&
              curl.Resolve("curl_easy_getinfo", l.easyGetinfo) &&
              curl.Resolve("curl_easy_cleanup", l.easyCleanup) &&
              curl.Resolve("curl_easy_strerror", l.easyStrerror) &&
              curl.Resolve("curl_slist_append", l.slistAppend) &&
              curl.Resolve("curl_slist_free_all", l.slistFreeAll))) {
            failure = curl.error();
            return std::nullopt;
        }
        if (const CURLcode init = l.globalInit(CURL_GLOBAL_DEFAULT); init != CURLE_OK) {
            failure = l.easyStrerror(init);
            return std::nullopt;
        }
        return l;
    }();
    if (!loaded) {
        error = failure;
        return nullptr;
    }
    return &*loaded;
}

}  // namespace vorn
