// The reference main loop: a plain transcription of the subset enumeration,
// written once for every k. Level j of the recursion chooses the j-th datum of
// the subset, keeps the partial sum T_j and (from level 3 on) the partial
// compatibility F_j, and skips a whole subtree as soon as no grid state is
// compatible with the prefix chosen so far.
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "engine/core/kernels.h"
#include "engine/core/main_loop.h"

namespace quillon::engine {

namespace {

class ReferenceLoop {
public:
    ReferenceLoop(const MainLoopInput& in, std::span<std::int32_t> votes, const ProgressFn& progress,
                  const LoopTrace* trace)
        : in_(in), votes_(votes), progress_(progress), trace_(trace),
          n_(in.n_data), k_(in.k), n_grid_(static_cast<std::size_t>(std::max(in.n_grid, 0))) {
        if (k_ < 3 || k_ > 8) throw std::invalid_argument("main loop: k must be 3 to 8");
        if (votes.size() != n_grid_) throw std::invalid_argument("main loop: votes must hold n_grid counts");
        const std::size_t entries = n_grid_ * static_cast<std::size_t>(std::max(n_, 0));
        if (entries > 0 && (in.fitness == nullptr || in.compatibility == nullptr)) {
            throw std::invalid_argument("main loop: missing tables");
        }
        // Scores widened once to 16 bits, same layout as the fitness table.
        score_.assign(in.fitness, in.fitness + entries);
        // T_j for j = 2 ... k and F_j for j = 3 ... k - 1, indexed by j.
        partial_sum_.assign(static_cast<std::size_t>(k_) + 1, std::vector<std::int16_t>(n_grid_));
        partial_compat_.assign(static_cast<std::size_t>(k_), std::vector<std::uint8_t>(n_grid_));
        subset_.assign(static_cast<std::size_t>(k_) + 1, 0);
    }

    std::int32_t run() {
        std::fill(votes_.begin(), votes_.end(), 0);
        total_ = count_subsets(n_, k_);
        counter_ = 0;
        level(1);
        return counter_;
    }

private:
    const std::int16_t* score(std::int32_t d) const { return score_.data() + column(d); }
    const std::uint8_t* compat(std::int32_t d) const { return in_.compatibility + column(d); }
    std::size_t column(std::int32_t d) const { return static_cast<std::size_t>(d - 1) * n_grid_; }

    // First and last data number at level j, given the levels above.
    std::int32_t first(int j) const {
        if (j == 1) return 1;
        const std::int32_t prev = subset_[j - 1];
        if (in_.enumeration == Enumeration::FocalPairs && prev % 2 == 1) {
            return prev + 2;  // skip the other nodal plane of the mechanism just chosen
        }
        return prev + 1;
    }
    std::int32_t last(int j) const {
        const std::int32_t deeper = k_ - j;
        return in_.enumeration == Enumeration::FocalPairs ? n_ - 2 * deeper : n_ - deeper;
    }

    void level(int j) {
        for (std::int32_t i = first(j); i <= last(j); ++i) {
            subset_[j] = i;
            if (j == 1) {
                level(2);
            } else if (j == 2) {
                std::vector<std::int16_t>& t2 = partial_sum_[2];
                const std::int16_t* s1 = score(subset_[1]);
                const std::int16_t* s2 = score(i);
                for (std::size_t g = 0; g < n_grid_; ++g) t2[g] = static_cast<std::int16_t>(s1[g] + s2[g]);
                level(3);
            } else if (j < k_) {
                if (!inner_level(j, i)) continue;
                level(j + 1);
            } else {
                leaf(i);
            }
        }
    }

    // Levels 3 ... k - 1: partial sum, partial compatibility and pruning.
    // Returns false when the prefix has been pruned.
    bool inner_level(int j, std::int32_t i) {
        std::vector<std::int16_t>& t = partial_sum_[j];
        const std::vector<std::int16_t>& t_prev = partial_sum_[j - 1];
        const std::int16_t* s = score(i);
        for (std::size_t g = 0; g < n_grid_; ++g) t[g] = static_cast<std::int16_t>(t_prev[g] + s[g]);

        std::vector<std::uint8_t>& f = partial_compat_[j];
        const std::uint8_t* c = compat(i);
        bool any = false;
        if (j == 3) {
            const std::uint8_t* c1 = compat(subset_[1]);
            const std::uint8_t* c2 = compat(subset_[2]);
            for (std::size_t g = 0; g < n_grid_; ++g) {
                f[g] = (c1[g] && c2[g] && c[g]) ? 1 : 0;
                any = any || f[g];
            }
        } else {
            const std::vector<std::uint8_t>& f_prev = partial_compat_[j - 1];
            for (std::size_t g = 0; g < n_grid_; ++g) {
                f[g] = (f_prev[g] && c[g]) ? 1 : 0;
                any = any || f[g];
            }
        }
        if (!any) {
            // No subset beginning with this prefix can vote: count them as done.
            counter_ += count_subsets(n_ - i, k_ - j);
            if (trace_ && trace_->prune) trace_->prune(prefix(j), counter_);
            return false;
        }
        return true;
    }

    void leaf(std::int32_t i) {
        ++counter_;
        std::vector<std::int16_t>& t = partial_sum_[k_];
        const std::vector<std::int16_t>& t_prev = partial_sum_[k_ - 1];
        const std::int16_t* s = score(i);
        for (std::size_t g = 0; g < n_grid_; ++g) t[g] = static_cast<std::int16_t>(t_prev[g] + s[g]);

        // Best state: the largest total, the lowest number on ties.
        if (n_grid_ > 0) {
            std::size_t best = 0;
            for (std::size_t g = 1; g < n_grid_; ++g) {
                if (t[g] > t[best]) best = g;
            }
            bool compatible;
            if (k_ == 3) {
                compatible = compat(subset_[1])[best] && compat(subset_[2])[best] && compat(i)[best];
            } else {
                compatible = partial_compat_[k_ - 1][best] && compat(i)[best];
            }
            if (compatible) ++votes_[best];
        }
        if (trace_ && trace_->leaf) trace_->leaf(prefix(k_), counter_);
        if (counter_ % 1000 == 0 && progress_) progress_(counter_, total_);
    }

    std::span<const std::int32_t> prefix(int j) const {
        return std::span<const std::int32_t>(subset_.data() + 1, static_cast<std::size_t>(j));
    }

    const MainLoopInput& in_;
    std::span<std::int32_t> votes_;
    const ProgressFn& progress_;
    const LoopTrace* trace_;
    const std::int32_t n_;
    const int k_;
    const std::size_t n_grid_;
    std::vector<std::int16_t> score_;
    std::vector<std::vector<std::int16_t>> partial_sum_;
    std::vector<std::vector<std::uint8_t>> partial_compat_;
    std::vector<std::int32_t> subset_;  // subset_[j] = i_j, j = 1 ... k
    std::int32_t counter_ = 0;
    std::int32_t total_ = 0;
};

}  // namespace

void main_loop_reference(const MainLoopInput& in, std::span<std::int32_t> votes,
                         const ProgressFn& progress) {
    ReferenceLoop(in, votes, progress, nullptr).run();
}

std::int32_t main_loop_reference_traced(const MainLoopInput& in, std::span<std::int32_t> votes,
                                        const ProgressFn& progress, const LoopTrace& trace) {
    return ReferenceLoop(in, votes, progress, &trace).run();
}

std::string progress_line(int k, std::int32_t counter, std::int32_t total) {
    char buf[48];
    if (k == 4 || k == 5) {
        std::snprintf(buf, sizeof buf, " %10d /%9d", counter, total);
    } else {
        std::snprintf(buf, sizeof buf, "%10d /%10d", counter, total);
    }
    return buf;
}

}  // namespace quillon::engine
