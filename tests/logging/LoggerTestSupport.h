#pragma once

// The logger's test fixture: a fixed clock, a registry of its own and folders in a temporary
// place, shared by the tests of both platforms and the Linux-only client tests.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "logging/CBasicTransport.h"
#include "logging/LogRecordFormat.h"
#include "logging/Logger.h"
#include "platform/LocalPipe.h"
#include "platform/RegistryStore.h"
#include "platform/ThisProcess.h"
#include "support/TestEnvironment.h"

using Kavro::Greywick::BuildCommand;
using Kavro::Greywick::BuildDump;
using Kavro::Greywick::BuildFileLine;
using Kavro::Greywick::CBasicTransport;
using Kavro::Greywick::CommandFields;
using Kavro::Greywick::LocalTime;
using Kavro::Greywick::LogFileName;
using Kavro::Greywick::Logger;
using Kavro::Greywick::LoggerEnvironment;
using Kavro::Greywick::RecordKind;

namespace vorn::logging_test {

inline constexpr LocalTime kMarch7{2026, 3, 7, 9, 5, 1, 42};

inline std::string LittleEndian(std::uint32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    return out;
}

class LoggerFixture : public ::testing::Test {
protected:
    LoggerFixture() : registryEnv_("VORN_REGISTRY_DIR", (temp_ / "registry").string()) {
        std::filesystem::create_directories(temp_ / "registry");
        std::filesystem::create_directories(programFolder_);
        std::filesystem::create_directories(appData_);
        SetRegistry("settings_filename", (temp_ / "missing.xml").string());
        environment_.clock = [this] {
            std::lock_guard guard(clockMutex_);
            return now_;
        };
        environment_.programFolder = programFolder_;
        environment_.fallbackBase = appData_;
    }

    void SetRegistry(const std::string& name, const std::string& value) {
        ASSERT_TRUE(vorn::platform::RegistryStore(vorn::platform::RegistryRoot::LocalMachine)
                        .WriteString("Software\\Kavro\\Greywick", name, value));
    }

    std::unique_ptr<Logger> MakeLogger() {
        return std::make_unique<Logger>(module_, false, environment_);
    }

    // The line the fixed clock gives a record of the calling thread.
    static std::string ExpectedLine(std::uint32_t level, const std::string& message) {
        return BuildFileLine(
            RecordKind::Ordinary, "2026.03.07 09:05:01.042", level, Logger::CurrentThreadId(),
            static_cast<std::uint32_t>(vorn::platform::CurrentProcessId()), message);
    }

    std::filesystem::path LogFile(const Logger& logger, const std::filesystem::path& folder) {
        return folder / ("vorn_update.exe_2026.03.07_" + logger.RunId() + ".log");
    }

    vorn::test::TempDir temp_;
    vorn::test::ScopedEnv registryEnv_;
    vorn::test::PrivatePipeNamespace pipes_;
    std::filesystem::path programFolder_ = temp_ / "program";
    std::filesystem::path appData_ = temp_ / "appdata";
    std::filesystem::path module_ = "/opt/vorn/Vorn_Update.exe";
    LoggerEnvironment environment_;
    std::mutex clockMutex_;
    LocalTime now_ = kMarch7;
};

}  // namespace vorn::logging_test
