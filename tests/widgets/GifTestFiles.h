#pragma once

// Small pictures an encoder wrote once (tests/widgets/files), so that the walker meets what a real
// encoder writes and every run reads the same bytes. three.gif: three 10 x 6 frames in red, blue
// and lime, each with its own colour table, delays 3, 50 and 7, disposals 2, 3 and 1, a comment
// and the looping extension; placed.gif: a white 20 x 10 frame, then a red 4 x 4 one at (8, 3);
// one.gif: one blue 6 x 3 frame; lime.png: a lime 9 x 7 picture that is no GIF.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestEnvironment.h"

namespace vorn::test {

inline std::vector<std::uint8_t> PictureFile(const std::string& name) {
    const std::string bytes = ReadFileBytes(std::filesystem::path(VORN_PICTURE_FILES) / name);
    EXPECT_FALSE(bytes.empty()) << name;
    return {bytes.begin(), bytes.end()};
}

inline const std::vector<std::uint8_t>& ThreeFrames() {
    static const std::vector<std::uint8_t> bytes = PictureFile("three.gif");
    return bytes;
}

}  // namespace vorn::test
