#pragma once

#include <curl/curl.h>

#include <string>

namespace vorn {

// The parts of libcurl the update-server client calls. The library, with the twenty-odd
// libraries it brings along (TLS, Kerberos, LDAP, SSH…), is loaded on the first request to a
// server instead of at program start: linking it costs every start several milliseconds, and
// most starts never speak to a server.
struct CurlLibrary {
    decltype(&::curl_global_init) globalInit = nullptr;
    decltype(&::curl_easy_init) easyInit = nullptr;
    decltype(&::curl_easy_setopt) easySetopt = nullptr;
    decltype(&::curl_easy_perform) easyPerform = nullptr;
    decltype(&::curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&::curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&::curl_easy_strerror) easyStrerror = nullptr;
    decltype(&::curl_slist_append) slistAppend = nullptr;
    decltype(&::curl_slist_free_all) slistFreeAll = nullptr;
};

// The library, loaded and initialised once for the whole program and kept until it ends;
// nullptr when it cannot be loaded, with `error` saying why. Safe to call from any thread.
const CurlLibrary* LoadCurlLibrary(std::string& error);

}  // namespace vorn
