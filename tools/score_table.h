// The misfit score table of qln_array.txt: entry i (i = 0 .. 180 whole degrees
// of misfit) holds nint(100 cos i) + 100, i.e. the score 100 cos(misfit) with
// the file's offset of 100, so entries run from 200 (perfect fit) to 0 (slip
// opposite to the predicted direction).
#pragma once

#include <array>
#include <string>

namespace quillon::tools {

inline constexpr const char* kScoreLabel = "100*cos(misfit)";

std::array<int, 181> cosine_score_table();
// The file text: 181 integers, ten per line, then the label line; CR LF line ends.
std::string format_score_table();

}  // namespace quillon::tools
