// The viewer's text reader, from memory and from a file: both must read the same
// lines and tokens, driven by the first input byte (a sequence of token, line,
// rest-of-line and skip reads); the item parsers on every token.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "fuzz_input_file.h"
#include "viewer/model/text_reader.h"

using namespace quillon::viewer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t plan = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string path = quillon::fuzz::write_input("text.txt", data + 1, size - 1);
    std::string reason;
    const FileHandle file = openRegularFile(path, reason);
    if (!file) std::abort();

    TextReader fromMemory(text);
    TextReader fromFile(file.get());
    // Each step consumes a token or a line, or ends the loop.
    for (std::size_t step = 0; step < size + 8; ++step) {
        const int op = (plan >> (2 * (step % 4))) & 3;
        if (op == 0) {
            std::size_t lineA = 0, lineB = 0;
            const auto a = fromMemory.nextToken(&lineA);
            const auto b = fromFile.nextToken(&lineB);
            if (a != b || lineA != lineB) std::abort();
            if (!a) break;
            if (a->empty() || a->size() > kMaxLineLength) std::abort();
            (void)parseIntegerToken(*a);
            if (const auto x = parseRealToken(*a); x && !(*x == *x)) std::abort();
        } else if (op == 1) {
            const auto a = fromMemory.readLine();
            const auto b = fromFile.readLine();
            if (a != b) std::abort();
            if (!a) break;
            if (a->find_first_of("\r\n") != std::string::npos) std::abort();
            (void)parseWholeLineInteger(*a);
        } else if (op == 2) {
            if (fromMemory.restOfLine() != fromFile.restOfLine()) std::abort();
            fromMemory.skipLine();
            fromFile.skipLine();
        } else {
            if (fromMemory.peekLine() != fromFile.peekLine()) std::abort();
            if (fromMemory.atEnd() != fromFile.atEnd()) std::abort();
            if (fromMemory.atEnd()) break;
            fromMemory.skipLine();
            fromFile.skipLine();
        }
        if (fromMemory.lineNumber() != fromFile.lineNumber()) std::abort();
        if (fromMemory.overlongLine() != fromFile.overlongLine()) std::abort();
    }
    return 0;
}
