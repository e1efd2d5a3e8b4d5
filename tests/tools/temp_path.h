// Temporary file names private to one test process, so that test cases run in
// parallel (ctest -j, or two build trees at once) never share a file.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

namespace quillon::test {

inline std::filesystem::path private_temp_path(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("quillon-tools-" + std::to_string(::getpid()) + "-" + name);
}

}  // namespace quillon::test
