// The viewer's recent-file list (prevfiles.txt): one path per line, any line end,
// lines capped in length.
#include <cstdint>
#include <cstdlib>

#include "fuzz_input_file.h"
#include "viewer/model/text_reader.h"

using namespace quillon::viewer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = quillon::fuzz::write_input("prevfiles.txt", data, size);
    std::size_t total = 0;
    for (const std::string& entry : readRecentFileList(path)) {
        // No entry is empty, longer than a line may be, or holds a line end.
        if (entry.empty() || entry.size() > kMaxLineLength) std::abort();
        if (entry.find_first_of("\r\n") != std::string::npos) std::abort();
        total += entry.size();
    }
    if (total > size) std::abort();
    return 0;
}
