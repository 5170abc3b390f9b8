#pragma once

// The PNG renderings of the program's icon, compiled in by CMake from resources/desktop/hicolor.

#include <cstddef>
#include <span>

namespace vorn {

struct ProgramIconImage {
    const unsigned char* data;
    std::size_t size;
};

// One PNG per size, smallest first.
std::span<const ProgramIconImage> ProgramIconPngs();

}  // namespace vorn
