#include "tools/score_table.h"

#include <cmath>

#include "tools/stress_space.h"

namespace quillon::tools {

std::array<int, 181> cosine_score_table() {
    std::array<int, 181> table{};
    for (int i = 0; i <= 180; ++i) {
        const double score = 100.0 * std::cos(i * kDeg);
        // Halves away from zero (std::lround), then the file's offset of 100.
        table[i] = static_cast<int>(std::lround(score)) + 100;
    }
    return table;
}

std::string format_score_table() {
    const auto table = cosine_score_table();
    std::string text;
    for (int i = 0; i <= 180; ++i) {
        text += std::to_string(table[i]);
        text += (i % 10 == 9 || i == 180) ? "\r\n" : " ";
    }
    text += kScoreLabel;
    text += "\r\n";
    return text;
}

}  // namespace quillon::tools
