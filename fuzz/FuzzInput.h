#pragma once

// What the fuzz targets share: a file holding the input, for parsers that read files.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fuzz {

// A file of the process's own in the temporary folder, rewritten with each input.
inline std::filesystem::path InputFile(const std::string& name, const uint8_t* data, size_t size) {
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "brisvane-fuzz-XXXXXX");
        return std::filesystem::path(::mkdtemp(pattern.data()) ? pattern : "/tmp");
    }();
    const std::filesystem::path file = folder / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return file;
}

} // namespace fuzz
