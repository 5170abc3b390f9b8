#include "platform/Sha256.h"

#include "platform/windows/WindowsApi.h"
// bcrypt.h after windows.h, which it needs.
#include <bcrypt.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>

#include "platform/HexText.h"
#include "platform/RuntimeLibrary.h"

namespace vorn::platform {

const char* const kSha256Library = "bcrypt.dll";

struct Sha256Functions {
    decltype(&::BCryptOpenAlgorithmProvider) openProvider = nullptr;
    decltype(&::BCryptCreateHash) createHash = nullptr;
    decltype(&::BCryptHashData) hashData = nullptr;
    decltype(&::BCryptFinishHash) finishHash = nullptr;
    decltype(&::BCryptDestroyHash) destroyHash = nullptr;
    BCRYPT_ALG_HANDLE algorithm = nullptr;  // opened once, shared by every digest
};

namespace {

struct Loaded {
    std::unique_ptr<RuntimeLibrary> library;  // open until the program ends
    std::optional<Sha256Functions> functions;
    std::string error;
};

constexpr ULONG kDigestBytes = 32;

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
        if (opened.Resolve("BCryptOpenAlgorithmProvider", f.openProvider) &&
            opened.Resolve("BCryptCreateHash", f.createHash) &&
            opened.Resolve("BCryptHashData", f.hashData) &&
            opened.Resolve("BCryptFinishHash", f.finishHash) &&
            opened.Resolve("BCryptDestroyHash", f.destroyHash)) {
            const NTSTATUS status =
                f.openProvider(&f.algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
            if (BCRYPT_SUCCESS(status)) {
                slot.functions = f;
            } else {
                slot.error = "BCryptOpenAlgorithmProvider(SHA256) failed: status " +
                             std::to_string(static_cast<unsigned long>(status));
            }
        } else {
            slot.error = opened.error();
        }
    }
    error = slot.error;
    return slot.functions ? &*slot.functions : nullptr;
}

struct Sha256::State {
    BCRYPT_HASH_HANDLE hash = nullptr;
};

Sha256::Sha256(const Sha256Functions* functions)
    : functions_(functions), state_(std::make_unique<State>()) {
    if (functions_ != nullptr &&
        !BCRYPT_SUCCESS(functions_->createHash(functions_->algorithm, &state_->hash, nullptr, 0,
                                               nullptr, 0, 0))) {
        state_->hash = nullptr;
    }
}

Sha256::~Sha256() {
    if (state_->hash != nullptr) {
        functions_->destroyHash(state_->hash);
    }
}

bool Sha256::Update(std::string_view bytes) {
    // CNG takes at most 4 GiB a call.
    while (state_->hash != nullptr && !bytes.empty()) {
        const auto piece = static_cast<ULONG>(std::min<std::size_t>(bytes.size(), 1u << 30));
        auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
        if (!BCRYPT_SUCCESS(functions_->hashData(state_->hash, data, piece, 0))) {
            functions_->destroyHash(state_->hash);
            state_->hash = nullptr;
        }
        bytes.remove_prefix(piece);
    }
    return state_->hash != nullptr;
}

std::string Sha256::FinishHex() {
    unsigned char value[kDigestBytes];
    if (state_->hash == nullptr ||
        !BCRYPT_SUCCESS(functions_->finishHash(state_->hash, value, kDigestBytes, 0))) {
        return {};
    }
    return LowerHex(value, kDigestBytes);
}

}  // namespace vorn::platform
