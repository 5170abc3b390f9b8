#pragma once

// GIF files made by ImageMagick's convert for the tests, so that the walker meets what a real
// encoder writes.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"

namespace vorn::test {

// Runs "convert <arguments> <folder>/<name>" and returns the file's bytes (empty on failure).
inline std::vector<std::uint8_t> MakeImage(const TempDir& folder, const std::string& arguments,
                                           const std::string& name) {
    const std::filesystem::path file = folder / name;
    const std::string command = "convert " + arguments + " '" + file.string() + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    const std::string bytes = ReadFileBytes(file);
    return {bytes.begin(), bytes.end()};
}

// Three frames of 10 x 6 in different solid colours (so each has its own colour table), with
// delays 3, 50 and 7, disposals 2, 3 and 1, a comment and the looping application extension.
inline const char* kThreeFrames =
    "-comment 'made for a test' -size 10x6 -dispose Background -delay 3 xc:red "
    "-dispose Previous -delay 50 xc:blue -dispose None -delay 7 xc:lime -loop 0";

// kThreeFrames, made once per test program (the tool takes seconds on a busy machine).
inline const std::vector<std::uint8_t>& ThreeFrames() {
    static TempDir folder;
    static const std::vector<std::uint8_t> bytes = MakeImage(folder, kThreeFrames, "three.gif");
    return bytes;
}

}  // namespace vorn::test
