// Writing a whole text file at once: the text goes to a temporary file beside
// the target, which then replaces the target, so a failed write never leaves a
// half-written file under the target's name.
#pragma once

#include <string>

namespace quillon::tools {

bool write_text_file(const std::string& path, const std::string& text, std::string& error);

}  // namespace quillon::tools
