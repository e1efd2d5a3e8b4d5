// Palette files of the viewer's colour window: eleven colours, one a line.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_input_file.h"
#include "viewer/model/palette_file.h"

using namespace quillon::viewer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = quillon::fuzz::write_input("input.pal", data, size);
    const PaletteRead read = readPaletteFile(path);
    // The file reader and the text parser agree (the file is read only as far
    // as its eleven lines can reach, which never changes the outcome).
    const PaletteRead parsed =
        parsePalette(std::string_view(reinterpret_cast<const char*>(data), size), path);
    if (read.ok != parsed.ok || read.line != parsed.line || read.message != parsed.message) std::abort();
    if (!read.ok) {
        // Every error names the file and a line from 1 to 11.
        if (read.line < 1 || read.line > kPaletteSize) std::abort();
        if (read.message.rfind(path + ", line " + std::to_string(read.line) + ": ", 0) != 0) std::abort();
        return 0;
    }
    if (read.colors != parsed.colors) std::abort();
    // What is read writes back to a palette that reads the same colours.
    const PaletteRead again = parsePalette(formatPalette(read.colors), path);
    if (!again.ok || again.colors != read.colors) std::abort();
    return 0;
}
