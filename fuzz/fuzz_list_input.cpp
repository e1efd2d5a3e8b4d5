// The list-directed reader itself, driven by the input: the first byte chooses
// a sequence of reads (integers, reals, texts, record ends, rewinds), the rest
// is the text read. Also the item parsers and the fixed-width integer field.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "engine/io/list_input.h"

using namespace quillon::engine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t plan = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::int32_t i = 0;
    float f = 0;
    (void)parse_int_item(text, i);
    (void)parse_real_item(text, f);
    (void)read_fixed_int(text, 12, i);

    std::istringstream in(text);
    ListReader reader(in);
    std::string s;
    int rewinds = 0;
    // At most one read per input byte and a few more: every read consumes an
    // item, a line, or ends the loop.
    for (std::size_t step = 0; step < size + 8; ++step) {
        ReadStatus status = ReadStatus::Ok;
        switch ((plan >> (step % 4 * 2)) & 3) {
        case 0: status = reader.read_int(i); break;
        case 1: status = reader.read_real(f); break;
        case 2: status = reader.read_text(s); break;
        case 3:
            reader.end_record();
            if (reader.at_end() && rewinds++ < 1) reader.rewind();
            continue;
        }
        if (status != ReadStatus::Ok) {
            (void)reader.failure_detail();
            if (status == ReadStatus::EndOfFile || status == ReadStatus::LineTooLong) break;
            reader.end_record();
        }
        if (reader.line_number() < 0) std::abort();
    }
    return 0;
}
