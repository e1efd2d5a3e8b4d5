// The readers take file names: each fuzz input is written to a file in a folder
// of its own for the whole fuzzing process, and read from there.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace quillon::fuzz {

// The process's folder, made on first use and removed at exit.
inline const std::string& work_folder() {
    static const std::string folder = [] {
        // A memory file system when there is one: rewriting a file for every input
        // on a disk costs a flush each time and slows fuzzing a hundredfold.
        std::error_code ec;
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0
                ? std::filesystem::path("/dev/shm")
                : std::filesystem::temp_directory_path();
        std::string tmpl = (base / "quillon-fuzz-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        static const std::string removed_at_exit = tmpl;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removed_at_exit, ec);
        });
        return tmpl;
    }();
    return folder;
}

// Writes the input to <folder>/<name> and returns the path.
inline std::string write_input(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = work_folder() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
    return path;
}

}  // namespace quillon::fuzz
