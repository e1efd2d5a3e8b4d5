// The viewer's CGP grid reader: the count line and the grid points, each number
// held to its range.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "fuzz_input_file.h"
#include "viewer/model/result_model.h"

using namespace quillon::viewer;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::fuzz::write_input("Unif60000.cgp", data, size);
    ResultModel model;
    model.homeDir = quillon::fuzz::work_folder() + "/";
    const LoadOutcome out = model.loadGridFile();
    if (!out.ok) {
        if (out.message.empty()) std::abort();
        return 0;
    }
    if (model.gridCount != model.gridPoints.size() || model.gridCount > kMaxGridPoints) std::abort();
    for (std::size_t i = 0; i < model.gridPoints.size(); ++i) {
        const GridPoint& p = model.gridPoints[i];
        // Every accepted point lies within its ranges (angles rounded to whole degrees).
        for (const Direction& d : p.axis)
            if (!(d.az >= 0 && d.az <= 360 && d.pl >= -90 && d.pl <= 90)) std::abort();
        if (!(p.stressRatio >= 0 && p.stressRatio <= 1) || p.ratioClass > 10) std::abort();
        if (p.id != i + 1 || p.votes != 0) std::abort();
    }
    return 0;
}
