#include "tools/text_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace quillon::tools {

bool write_text_file(const std::string& path, const std::string& text, std::string& error) {
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot create " + temp;
            return false;
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::remove(temp.c_str());
            error = "cannot write " + temp;
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::remove(temp.c_str());
        error = "cannot replace " + path + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace quillon::tools
