#include "platform/Sha256.h"

#include <openssl/evp.h>

#include <map>
#include <mutex>
#include <optional>

#include "platform/HexText.h"
#include "platform/RuntimeLibrary.h"

namespace vorn::platform {

const char* const kSha256Library = "libcrypto.so.3";

struct Sha256Functions {
    decltype(&::EVP_MD_CTX_new) contextNew = nullptr;
    decltype(&::EVP_MD_CTX_free) contextFree = nullptr;
    decltype(&::EVP_sha256) sha256 = nullptr;
    decltype(&::EVP_DigestInit_ex) init = nullptr;
    decltype(&::EVP_DigestUpdate) update = nullptr;
    decltype(&::EVP_DigestFinal_ex) final = nullptr;
};

namespace {

struct Loaded {
    std::unique_ptr<RuntimeLibrary> library;  // open until the program ends
    std::optional<Sha256Functions> functions;
    std::string error;
};

}  // namespace

const Sha256Functions* LoadSha256(const std::string& library, std::string& error) {
    static std::mutex mutex;
    static std::map<std::string, Loaded> loaded;
    std::lock_guard lock(mutex);
    Loaded& slot = loaded[library];
    if (!slot.library) {
        slot.library = std::make_unique<RuntimeLibrary>(library.c_str());
        RuntimeLibrary& opened = *slot.library;
        Sha256Functions f;
        if (opened.Resolve("EVP_MD_CTX_new", f.contextNew) &&
            opened.Resolve("EVP_MD_CTX_free", f.contextFree) &&
            opened.Resolve("EVP_sha256", f.sha256) && opened.Resolve("EVP_DigestInit_ex", f.init) &&
            opened.Resolve("EVP_DigestUpdate", f.update) &&
            opened.Resolve("EVP_DigestFinal_ex", f.final)) {
            slot.functions = f;
        } else {
            slot.error = opened.error();
        }
    }
    error = slot.error;
    return slot.functions ? &*slot.functions : nullptr;
}

struct Sha256::State {
    EVP_MD_CTX* context = nullptr;
};

Sha256::Sha256(const Sha256Functions* functions)
    : functions_(functions), state_(std::make_unique<State>()) {
    if (functions_ == nullptr) {
        return;
    }
    state_->context = functions_->contextNew();
    if (state_->context != nullptr &&
        functions_->init(state_->context, functions_->sha256(), nullptr) != 1) {
        functions_->contextFree(state_->context);
        state_->context = nullptr;
    }
}

Sha256::~Sha256() {
    if (state_->context != nullptr) {
        functions_->contextFree(state_->context);
    }
}

bool Sha256::Update(std::string_view bytes) {
    if (state_->context != nullptr &&
        functions_->update(state_->context, bytes.data(), bytes.size()) != 1) {
        functions_->contextFree(state_->context);
        state_->context = nullptr;
    }
    return state_->context != nullptr;
}

std::string Sha256::FinishHex() {
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (state_->context == nullptr || functions_->final(state_->context, value, &length) != 1) {
        return {};
    }
    return LowerHex(value, length);
}

}  // namespace vorn::platform
