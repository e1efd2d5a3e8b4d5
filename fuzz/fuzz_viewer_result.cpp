// The viewer's result loader with its grid: the input is a result file, its first
// byte choosing the name's extension (".ql4" names the grid on its own line, ".ql3"
// does not, ".txt" is recognised by the line), the rest its text.  A loaded result
// then goes through the vote spread, the selection and the global average.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_input_file.h"
#include "viewer/model/plot_selection.h"
#include "viewer/model/result_model.h"
#include "viewer/model/stress_statistics.h"

using namespace quillon::viewer;

namespace {

// The grids the results may name: "g.cgp" and the older results' "cgp31.cgp".
void writeGrids() {
    static const bool written = [] {
        const std::string grid = "5\r\n10 20 190 70 0.1\r\n120 5 30 40 0.6\r\n300 80 120 10 0.9\r\n"
                                 "90 0 0 0 0.4\r\n45 45 225 45 0.5\r\n";
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(grid.data());
        quillon::fuzz::write_input("g.cgp", bytes, grid.size());
        quillon::fuzz::write_input("cgp31.cgp", bytes, grid.size());
        return true;
    }();
    (void)written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    writeGrids();
    static const char* const kNames[] = {"r.ql4", "r.ql3", "r.txt", "r.QL4"};
    const std::string path = quillon::fuzz::write_input(kNames[data[0] % 4], data + 1, size - 1);

    ResultModel model;
    model.homeDir = quillon::fuzz::work_folder() + "/";
    FaultDataSet set;
    const LoadOutcome out = model.loadResultFile(path, set);
    if (!out.ok) {
        if (out.message.empty()) std::abort();  // every failure says why
        return 0;
    }
    if (model.gridCount != model.gridPoints.size()) std::abort();
    for (std::size_t i = 1; i < model.gridPoints.size(); ++i)
        if (model.gridPoints[i - 1].votes > model.gridPoints[i].votes) std::abort();  // ascending votes
    if (set.dataType != "g" && set.dataType != "s") std::abort();
    model.computeVoteSd();
    if (!std::isfinite(model.voteSd)) std::abort();
    for (int ef : {0, 8}) {
        const Selection sel = selectStates(model, PlotSettings{ef, 2, 0, 10});
        std::int64_t sum = 0;
        for (const SelectedState& s : sel.states) sum += s.count;
        if (sum != sel.symbolCount) std::abort();
        const GlobalAverage ga = computeGlobalAverage(model, PlotSettings{ef, 2, 0, 10});
        if (ga.symbolCount != sel.symbolCount) std::abort();
    }
    return 0;
}
