// The fast main loop. It walks the same tree of subsets as the reference loop
// (lexicographic order, partial sums T_j, partial compatibility F_j, pruning of
// prefixes from the third datum on) and differs only in how a node's work is
// done and shared:
//
// - the grid states are laid out again, once, in blocks of 64 states with
//   similar scores (a median split on the datum whose scores vary most, block
//   by block), in one shared copy of the scores and one of the compatibility
//   flags as bits; every block keeps the largest score of each datum. Votes and
//   ties still use the grid numbers;
// - every pass over the grid is a vector kernel (main_loop_fast_kernels.h);
// - the partial compatibility is a bit set, one bit per state; F_2 is kept as
//   well, so that F_j costs one "and" of two bit sets at every level; a level
//   is pruned before its partial sum is formed;
// - a prefix of k - 1 data does not form its partial sum T_(k-1) over the
//   whole grid: it bounds T_(k-1) block by block by the block maxima (or
//   bounds) of T_(k-2) and of its last datum, and its leaves form the blocks
//   they need. From k = 5 on, T_(k-2) is formed in the same way, block by
//   block where a block of T_(k-1) needs it;
// - a leaf does not search for its winner over the grid. The winner votes only
//   when it is compatible with all k data, so the leaf first takes the largest
//   total among the states compatible with all its data (read from F_(k-1) and
//   the leaf's bits, usually few) as its bar. A state above the bar means an
//   incompatible winner: the leaf stops there, without a vote, first looking
//   in the block where the previous leaf of the prefix stopped. Otherwise the
//   winner is the lowest grid number among the states at the bar, and votes
//   when it is compatible. Only blocks whose bound reaches the bar are looked
//   at;
// - a leaf with no grid state compatible with all its data cannot vote and
//   costs only the "and" of the words of F_(k-1) that have a true bit;
// - the subtrees below each pair (i_1, i_2) are shared dynamically among the
//   threads; each thread counts its votes in its own array and the arrays are
//   added at the end.
#include "engine/core/main_loop_fast.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <chrono>
#include <exception>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "hwy/aligned_allocator.h"

#include "engine/core/kernels.h"
#include "engine/core/main_loop_fast_kernels.h"

namespace quillon::engine {

namespace {

namespace fk = fast_kernels;

// The largest subset size; working arrays are indexed by level 1 ... kMaxK.
constexpr int kMaxK = 8;

// Several threads: how many leaves a thread counts before it adds them to the
// shared counter, and how often the calling thread may show that counter.
constexpr std::int64_t kFlushLeaves = 64;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// The grid states in blocks of similar scores: a shared copy of the scores in
// that order, datum by datum and padded to whole blocks, the compatibility
// flags as bits (one 64-bit word per block), the grid number of every position
// and the largest score of every block and datum.
class BlockLayout {
public:
    // Built by threads threads; the layout does not depend on their number.
    BlockLayout(const MainLoopInput& in, std::size_t n_grid, int threads)
        : n_data_(static_cast<std::size_t>(std::max(in.n_data, 0))),
          n_blocks_((n_grid + fk::kBlockStates - 1) / fk::kBlockStates),
          n_pad_(n_blocks_ * fk::kBlockStates) {
        std::vector<std::int32_t> order(n_grid);
        for (std::size_t g = 0; g < n_grid; ++g) order[g] = static_cast<std::int32_t>(g);
        // The first splits round by round (the parts of a round side by side)
        // until there are enough parts to share among the threads; then every
        // part on its own.
        std::vector<std::pair<std::size_t, std::size_t>> parts{{0, n_grid}};
        while (parts.size() < 8 * static_cast<std::size_t>(threads) && parts.size() < 1024) {
            std::vector<std::size_t> mids(parts.size());
            const auto n_split = static_cast<std::int64_t>(parts.size());
#pragma omp parallel for schedule(static) num_threads(threads) if (threads > 1 && n_split > 1)
            for (std::int64_t i = 0; i < n_split; ++i) {
                const auto& part = parts[static_cast<std::size_t>(i)];
                mids[static_cast<std::size_t>(i)] = split(in, n_grid, order, part.first, part.second);
            }
            std::vector<std::pair<std::size_t, std::size_t>> next;
            for (std::size_t i = 0; i < parts.size(); ++i) {
                next.emplace_back(parts[i].first, mids[i]);
                if (mids[i] < parts[i].second) next.emplace_back(mids[i], parts[i].second);
            }
            if (next.size() == parts.size()) break;  // every part fits in one block
            parts.swap(next);
        }
        const auto n_parts = static_cast<std::int64_t>(parts.size());
#pragma omp parallel for schedule(dynamic, 1) num_threads(threads) if (threads > 1)
        for (std::int64_t i = 0; i < n_parts; ++i) {
            const auto& part = parts[static_cast<std::size_t>(i)];
            arrange(in, n_grid, order, part.first, part.second);
        }

        const std::size_t cells = std::max<std::size_t>(n_data_ * n_pad_, 1);
        scores_ = hwy::AllocateAligned<std::int8_t>(cells);
        block_max_ = hwy::AllocateAligned<std::int8_t>(std::max<std::size_t>(n_data_ * n_blocks_, 1));
        if (!scores_ || !block_max_) throw std::bad_alloc();
        // One bit per state and one 64-bit word per block.
        static_assert(fk::kBlockStates == 64);
        bits_.assign(n_data_ * n_blocks_, 0);
        number_.assign(n_pad_, INT32_MAX);
        for (std::size_t p = 0; p < n_grid; ++p) number_[p] = order[p];
        const auto n_data = static_cast<std::int64_t>(n_data_);
#pragma omp parallel for schedule(static) num_threads(threads) if (threads > 1)
        for (std::int64_t datum = 0; datum < n_data; ++datum) {
            const auto d = static_cast<std::size_t>(datum);
            const std::int8_t* fitness = in.fitness + d * n_grid;
            const std::uint8_t* compat = in.compatibility + d * n_grid;
            std::int8_t* s = scores_.get() + d * n_pad_;
            std::uint64_t* c = bits_.data() + d * n_blocks_;
            // Padding states score below every real state and fit no datum.
            for (std::size_t p = 0; p < n_pad_; ++p) {
                s[p] = p < n_grid ? fitness[order[p]] : kPaddingScore;
                if (p < n_grid && compat[order[p]] != 0) c[p / 64] |= std::uint64_t{1} << (p % 64);
            }
            std::int8_t* m = block_max_.get() + d * n_blocks_;
            for (std::size_t b = 0; b < n_blocks_; ++b) {
                m[b] = *std::max_element(s + b * fk::kBlockStates, s + (b + 1) * fk::kBlockStates);
            }
        }
    }

    std::size_t n_blocks() const { return n_blocks_; }
    std::size_t n_pad() const { return n_pad_; }
    const std::int8_t* score(std::int32_t d) const { return scores_.get() + column(d); }
    // Compatibility of every position, bit p % 64 of word p / 64.
    const std::uint64_t* compat(std::int32_t d) const {
        return bits_.data() + static_cast<std::size_t>(d - 1) * n_blocks_;
    }
    const std::int8_t* block_max(std::int32_t d) const {
        return block_max_.get() + static_cast<std::size_t>(d - 1) * n_blocks_;
    }
    const std::int32_t* number() const { return number_.data(); }

private:
    static constexpr std::int8_t kPaddingScore = -128;

    std::size_t column(std::int32_t d) const { return static_cast<std::size_t>(d - 1) * n_pad_; }

    // Orders order[begin, end) so that every whole block holds states with
    // similar scores, by splitting it again and again.
    void arrange(const MainLoopInput& in, std::size_t n_grid, std::vector<std::int32_t>& order,
                 std::size_t begin, std::size_t end) const {
        const std::size_t mid = split(in, n_grid, order, begin, end);
        if (mid == end) return;
        arrange(in, n_grid, order, begin, mid);
        arrange(in, n_grid, order, mid, end);
    }

    // Splits order[begin, end) at a block boundary near the median of the
    // datum whose scores vary most there (estimated on at most 64 states),
    // higher scores first; returns the boundary, or end when the range fits in
    // one block.
    std::size_t split(const MainLoopInput& in, std::size_t n_grid, std::vector<std::int32_t>& order,
                      std::size_t begin, std::size_t end) const {
        const std::size_t size = end - begin;
        if (size <= fk::kBlockStates || n_data_ == 0) return end;
        const std::size_t step = std::max<std::size_t>(1, size / 64);
        std::size_t widest = 0;
        double widest_variance = -1;
        for (std::size_t d = 0; d < n_data_; ++d) {
            const std::int8_t* column = in.fitness + d * n_grid;
            double sum = 0, sum2 = 0, count = 0;
            for (std::size_t p = begin; p < end; p += step) {
                const double v = column[order[p]];
                sum += v;
                sum2 += v * v;
                count += 1;
            }
            const double variance = sum2 / count - (sum / count) * (sum / count);
            if (variance > widest_variance) {
                widest_variance = variance;
                widest = d;
            }
        }
        const std::int8_t* column = in.fitness + widest * n_grid;
        const std::size_t half = (size / 2 + fk::kBlockStates - 1) / fk::kBlockStates * fk::kBlockStates;
        const std::size_t mid = begin + half;
        std::nth_element(order.begin() + static_cast<std::ptrdiff_t>(begin),
                         order.begin() + static_cast<std::ptrdiff_t>(mid),
                         order.begin() + static_cast<std::ptrdiff_t>(end),
                         [&](std::int32_t a, std::int32_t b) { return column[a] > column[b]; });
        return mid;
    }

    std::size_t n_data_;
    std::size_t n_blocks_;
    std::size_t n_pad_;
    hwy::AlignedFreeUniquePtr<std::int8_t[]> scores_;
    std::vector<std::uint64_t> bits_;
    hwy::AlignedFreeUniquePtr<std::int8_t[]> block_max_;
    std::vector<std::int32_t> number_;
};

// The read-only description of the enumeration, shared by all threads.
struct Tree {
    const MainLoopInput& in;
    const BlockLayout& layout;
    std::int32_t n;
    int k;
    std::size_t n_grid;
    std::int32_t total;

    // First and last data number at level j after i_(j-1) = prev (prev = 0 at level 1).
    std::int32_t first(std::int32_t prev) const {
        if (in.enumeration == Enumeration::FocalPairs && prev % 2 == 1) return prev + 2;
        return prev + 1;
    }
    std::int32_t last(int j) const {
        const std::int32_t deeper = k - j;
        return in.enumeration == Enumeration::FocalPairs ? n - 2 * deeper : n - deeper;
    }
};

// The subset counter and the progress lines of one thread running alone: the
// line is due at every leaf whose counter is an exact multiple of 1000.
class ExactProgress {
public:
    ExactProgress(const ProgressFn& progress, std::int32_t total) : progress_(progress), total_(total) {}
    void leaf() {
        ++counter_;
        if (counter_ % 1000 == 0 && progress_) progress_(counter_, total_);
    }
    void skip(std::int32_t subsets) { counter_ += subsets; }
    void unit_done() {}
    std::int32_t counter() const { return counter_; }

private:
    const ProgressFn& progress_;
    std::int32_t total_;
    std::int32_t counter_ = 0;
};

// The subset counter shared by several threads. Each thread adds its leaves
// in batches; only the calling thread (number 0 of the team) writes progress,
// with the shared counter rounded down to a multiple of 1000, when that has
// grown since the last line and at least kProgressInterval has passed.
class SharedCounter {
public:
    SharedCounter(const ProgressFn& progress, std::int32_t total)
        : progress_(progress), total_(total), last_time_(std::chrono::steady_clock::now()) {}

    void add(std::int64_t subsets) { counter_.fetch_add(subsets, std::memory_order_relaxed); }
    std::int64_t value() const { return counter_.load(std::memory_order_relaxed); }

    // Called by thread 0 only.
    void maybe_show() {
        if (!progress_ || failure_) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_time_ < kProgressInterval) return;
        const std::int64_t shown = value() / 1000 * 1000;
        if (shown <= last_shown_) return;
        show(shown);
        last_time_ = now;
    }

    // After the threads have joined: the line with the counter reached.
    void finish() {
        if (!progress_ || failure_) return;
        const std::int64_t reached = value();
        if (reached >= 1000 && reached != last_shown_) show(reached);
    }

    // A progress callback that threw inside the threads is rethrown here.
    void rethrow() const {
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    void show(std::int64_t counter) {
        try {
            progress_(static_cast<std::int32_t>(counter), total_);
        } catch (...) {
            failure_ = std::current_exception();
        }
        last_shown_ = counter;
    }

    const ProgressFn& progress_;
    std::int32_t total_;
    std::atomic<std::int64_t> counter_{0};
    std::int64_t last_shown_ = 0;
    std::chrono::steady_clock::time_point last_time_;
    std::exception_ptr failure_;
};

// One thread's share of a shared counter.
class ThreadProgress {
public:
    ThreadProgress(SharedCounter& shared, bool shows) : shared_(shared), shows_(shows) {}
    void leaf() {
        if (++pending_ >= kFlushLeaves) flush();
    }
    void skip(std::int32_t subsets) {
        pending_ += subsets;
        flush();
    }
    void unit_done() { flush(); }

private:
    void flush() {
        shared_.add(pending_);
        pending_ = 0;
        if (shows_) shared_.maybe_show();
    }
    SharedCounter& shared_;
    bool shows_;
    std::int64_t pending_ = 0;
};

// One thread's working set: T_j and F_j for j = 2 ... k - 1 (T_(k-1) formed
// block by block as the leaves need it, the leaf's T_k never stored), the
// block maxima of T_(k-2), the votes it has cast and the subset being built.
// Positions are those of the block layout.
template <class Progress>
class Walker {
public:
    Walker(const Tree& tree, std::int32_t* votes, Progress& progress)
        : tree_(tree), layout_(tree.layout), votes_(votes), progress_(progress),
          n_pad_(tree.layout.n_pad()), n_blocks_(tree.layout.n_blocks()) {
        const std::size_t size = std::max<std::size_t>(n_pad_, 1);
        const std::size_t blocks = std::max<std::size_t>(n_blocks_, 1);
        // sums_[1] holds T_1 (the scores of i_1 widened) when k = 3.
        for (int j = 1; j < tree.k; ++j) {
            sums_[j] = hwy::AllocateAligned<std::int16_t>(size);
            if (!sums_[j]) throw std::bad_alloc();
        }
        for (int j = 2; j < tree.k; ++j) {
            flags_[j].assign(blocks, 0);
            words_[j].assign(blocks, 0);
        }
        base_max_.assign(blocks, 0);
        prev_max_.assign(blocks, 0);
        parent_bound_.assign(blocks, 0);
        parent_formed_.assign(blocks, 0);
        bound_.assign(blocks, 0);
        formed_.assign(blocks, 0);
        mask_.assign((blocks + 63) / 64 + 1, 0);
    }

    // The whole subtree below the pair (i_1, i_2).
    void unit(std::int32_t i1, std::int32_t i2) {
        subset_[1] = i1;
        subset_[2] = i2;
        const bool compatible = compat_pair(layout_.compat(i1), layout_.compat(i2));
        if (tree_.k == 3) {
            // T_1 and its block maxima, kept while i_1 stays the same.
            if (base_of_ != i1) {
                const std::int8_t* s = layout_.score(i1);
                std::int16_t* t = sums_[1].get();
                for (std::size_t p = 0; p < n_pad_; ++p) t[p] = s[p];
                const std::int8_t* m = layout_.block_max(i1);
                for (std::size_t b = 0; b < n_blocks_; ++b) base_max_[b] = m[b];
                base_of_ = i1;
            }
            leaves(compatible, i2);
        } else {
            fk::sum_pair(sums_[2].get(), layout_.score(i1), layout_.score(i2), n_pad_);
            if (tree_.k == 4) fk::block_max(sums_[2].get(), n_blocks_, base_max_.data());
            if (tree_.k == 5) fk::block_max(sums_[2].get(), n_blocks_, prev_max_.data());
            level(3, compatible);
        }
        progress_.unit_done();
    }

    std::int64_t leaves() const { return leaves_; }

private:
    // F_2 = C(i_1) and C(i_2), one bit per state, and the list of its words
    // with a true bit; returns whether there is one.
    bool compat_pair(const std::uint64_t* __restrict a, const std::uint64_t* __restrict b) {
        const std::size_t n = n_blocks_;
        std::uint64_t* __restrict f = flags_[2].data();
        std::uint32_t* __restrict words = words_[2].data();
        std::size_t count = 0;
        for (std::size_t w = 0; w < n; ++w) {
            const std::uint64_t v = a[w] & b[w];
            f[w] = v;
            words[count] = static_cast<std::uint32_t>(w);
            count += v != 0 ? 1 : 0;
        }
        n_words_[2] = count;
        return count != 0;
    }

    // F_j = F_(j-1) and c, formed only in the words where F_(j-1) has a true
    // bit (F_j is false everywhere else; those words of flags_[j] are not
    // kept up to date), and the list of its words with a true bit.
    bool compat_next(int j, const std::uint64_t* __restrict c) {
        const std::uint64_t* __restrict prev = flags_[j - 1].data();
        const std::uint32_t* __restrict prev_words = words_[j - 1].data();
        const std::size_t n = n_words_[j - 1];
        std::uint64_t* __restrict f = flags_[j].data();
        std::uint32_t* __restrict words = words_[j].data();
        std::size_t count = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t w = prev_words[i];
            const std::uint64_t v = prev[w] & c[w];
            f[w] = v;
            words[count] = w;
            count += v != 0 ? 1 : 0;
        }
        n_words_[j] = count;
        return count != 0;
    }

    // Levels 3 ... k - 1; compatible_before: whether F_(j-1) has a true entry.
    void level(int j, bool compatible_before) {
        if (j >= kMaxK) return;  // never: the inner levels end at k - 1 <= 7
        for (std::int32_t i = tree_.first(subset_[j - 1]); i <= tree_.last(j); ++i) {
            subset_[j] = i;
            // F_j has no true entry when F_(j-1) has none.
            const bool compatible = compatible_before && compat_next(j, layout_.compat(i));
            if (!compatible) {
                // No subset beginning with this prefix can vote: count them as done.
                progress_.skip(count_subsets(tree_.n - i, tree_.k - j));
                continue;
            }
            if (j + 1 == tree_.k) {
                // T_(k-1) is formed by the leaves, where they need it.
                leaves(true, i);
            } else if (j + 2 == tree_.k) {
                // T_(k-2) is formed block by block too, where a block of
                // T_(k-1) needs it; its bounds start from the block maxima of
                // T_(k-3).
                fk::sum_next(parent_bound_.data(), prev_max_.data(), layout_.block_max(i), n_blocks_);
                std::fill(parent_formed_.begin(), parent_formed_.end(), std::uint8_t{0});
                parent_ = {sums_[j - 1].get(), layout_.score(i), sums_[j].get(), parent_bound_.data(),
                           parent_formed_.data(), n_blocks_, nullptr};
                level(j + 1, compatible);
            } else if (j + 3 == tree_.k) {
                fk::sum_next_block_max(sums_[j].get(), sums_[j - 1].get(), layout_.score(i), n_blocks_,
                                       prev_max_.data());
                level(j + 1, compatible);
            } else {
                fk::sum_next(sums_[j].get(), sums_[j - 1].get(), layout_.score(i), n_pad_);
                level(j + 1, compatible);
            }
        }
    }

    // Level k: every subset that completes the current prefix of k - 1 data,
    // whose last datum is last (T_(k-2) in sums_[k - 2]: complete, with its
    // block maxima in base_max_, when k <= 4, formed block by block (parent_)
    // from k = 5 on; F_(k-1) in flags_ and words_).
    void leaves(bool compatible, std::int32_t last) {
        const int k = tree_.k;
        const std::uint64_t* f = flags_[k - 1].data();
        if (compatible) {
            // The bounds of T_(k-1): from the bounds of the lazy T_(k-2)
            // (exact where formed) when k >= 5, else from the block maxima of
            // the complete T_(k-2).
            const bool two_lazy = k >= 5;
            fk::sum_next(bound_.data(), two_lazy ? parent_bound_.data() : base_max_.data(), layout_.block_max(last),
                         n_blocks_);
            std::fill(formed_.begin(), formed_.end(), std::uint8_t{0});
            lazy_ = {sums_[k - 2].get(), layout_.score(last), sums_[k - 1].get(), bound_.data(), formed_.data(),
                     n_blocks_, two_lazy ? &parent_ : nullptr};
            hint_ = n_blocks_;
        }
        for (std::int32_t i = tree_.first(subset_[k - 1]); i <= tree_.last(k); ++i) {
            subset_[k] = i;
            ++leaves_;
            if (compatible) vote(f, i);
            progress_.leaf();
        }
    }

    // The leaf's winner is the state with the largest total (lowest number on
    // ties); it votes only when compatible with all k data. So the largest
    // total among the compatible states is the bar: a state above it means the
    // winner is incompatible (no vote); otherwise the winner is the lowest
    // number among the states at the bar, and votes when it is compatible.
    void vote(const std::uint64_t* f, std::int32_t i) {
        const std::uint64_t* c = layout_.compat(i);
        const std::int8_t* s = layout_.score(i);
        const int k = tree_.k;
        const int bar = fk::leaf_bar(lazy_, s, layout_.block_max(i), f, c, words_[k - 1].data(), n_words_[k - 1]);
        // A leaf without a state compatible with all its data cannot vote.
        if (bar == INT_MIN) return;
        const fk::LeafCheck check =
            fk::check_leaf(lazy_, s, layout_.block_max(i), layout_.number(), bar, mask_.data(), hint_);
        if (check.beaten || check.position < 0) return;
        // The winner votes when compatible with each of the k data (read from
        // the data's own bits: F_(k-1) is kept only where it has true bits).
        const auto at = static_cast<std::size_t>(check.position);
        const std::uint64_t bit = std::uint64_t{1} << (at % 64);
        for (int j = 1; j <= k; ++j) {
            if ((layout_.compat(subset_[j])[at / 64] & bit) == 0) return;
        }
        ++votes_[layout_.number()[at]];
    }

    const Tree& tree_;
    const BlockLayout& layout_;
    std::int32_t* votes_;
    Progress& progress_;
    const std::size_t n_pad_;
    const std::size_t n_blocks_;
    hwy::AlignedFreeUniquePtr<std::int16_t[]> sums_[kMaxK + 1];
    std::vector<std::uint64_t> flags_[kMaxK + 1];
    std::vector<std::int16_t> base_max_;   // k = 3, 4: block maxima of T_(k-2)
    std::vector<std::int16_t> prev_max_;   // k >= 5: block maxima of T_(k-3)
    std::vector<std::int16_t> parent_bound_;  // k >= 5: bounds of T_(k-2), exact where formed
    std::vector<std::uint8_t> parent_formed_;
    fk::LazySums parent_{};                // k >= 5: the lazy T_(k-2)
    std::vector<std::int16_t> bound_;      // bounds of T_(k-1), exact where formed
    std::vector<std::uint8_t> formed_;
    std::vector<std::uint32_t> words_[kMaxK + 1];  // words of F_j with a true bit: the first n_words_[j]
    std::size_t n_words_[kMaxK + 1] = {};
    std::vector<std::uint64_t> mask_;
    fk::LazySums lazy_{};
    std::size_t hint_ = 0;
    std::int32_t base_of_ = 0;             // k = 3: the datum whose scores are in sums_[1]
    std::int32_t subset_[kMaxK + 1] = {};
    std::int64_t leaves_ = 0;
};

// The pairs (i_1, i_2) in lexicographic order: the units of work.
std::vector<std::pair<std::int32_t, std::int32_t>> first_pairs(const Tree& tree) {
    std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
    for (std::int32_t i1 = tree.first(0); i1 <= tree.last(1); ++i1) {
        for (std::int32_t i2 = tree.first(i1); i2 <= tree.last(2); ++i2) pairs.emplace_back(i1, i2);
    }
    return pairs;
}

}  // namespace

int main_loop_fast_default_threads() { return std::max(1, omp_get_max_threads()); }

const char* main_loop_fast_target() { return fk::target_name(); }

FastLoopStats main_loop_fast(const MainLoopInput& in, std::span<std::int32_t> votes,
                             const ProgressFn& progress, int threads) {
    if (in.k < 3 || in.k > 8) throw std::invalid_argument("main loop: k must be 3 to 8");
    const std::size_t n_grid = static_cast<std::size_t>(std::max(in.n_grid, 0));
    if (votes.size() != n_grid) throw std::invalid_argument("main loop: votes must hold n_grid counts");
    const std::size_t entries = n_grid * static_cast<std::size_t>(std::max(in.n_data, 0));
    if (entries > 0 && (in.fitness == nullptr || in.compatibility == nullptr)) {
        throw std::invalid_argument("main loop: missing tables");
    }

    std::fill(votes.begin(), votes.end(), 0);
    if (threads <= 0) threads = main_loop_fast_default_threads();
    const BlockLayout layout(in, n_grid, threads);
    const Tree tree{in, layout, in.n_data, in.k, n_grid, count_subsets(in.n_data, in.k)};
    const auto pairs = first_pairs(tree);
    const auto units = static_cast<std::int64_t>(pairs.size());

    FastLoopStats stats;
    // No more threads than units of work.
    threads = static_cast<int>(std::clamp<std::int64_t>(units, 1, threads));
    stats.threads = threads;

    if (threads == 1) {
        ExactProgress counter(progress, tree.total);
        Walker<ExactProgress> walker(tree, votes.data(), counter);
        for (const auto& [i1, i2] : pairs) walker.unit(i1, i2);
        stats.counter = counter.counter();
        stats.leaves = walker.leaves();
    } else {
        SharedCounter counter(progress, tree.total);
        // Every working set exists before the threads start, so that a failed
        // allocation is reported here and not inside the parallel region.
        std::vector<std::vector<std::int32_t>> thread_votes(static_cast<std::size_t>(threads),
                                                            std::vector<std::int32_t>(n_grid, 0));
        std::vector<std::unique_ptr<ThreadProgress>> shares;
        std::vector<std::unique_ptr<Walker<ThreadProgress>>> walkers;
        for (int t = 0; t < threads; ++t) {
            shares.push_back(std::make_unique<ThreadProgress>(counter, t == 0));
            walkers.push_back(std::make_unique<Walker<ThreadProgress>>(
                tree, thread_votes[static_cast<std::size_t>(t)].data(), *shares.back()));
        }
#pragma omp parallel num_threads(threads)
        {
            Walker<ThreadProgress>& walker = *walkers[static_cast<std::size_t>(omp_get_thread_num())];
#pragma omp for schedule(dynamic, 1)
            for (std::int64_t u = 0; u < units; ++u) {
                walker.unit(pairs[static_cast<std::size_t>(u)].first, pairs[static_cast<std::size_t>(u)].second);
            }
        }
        counter.rethrow();
        counter.finish();
        counter.rethrow();
        for (const auto& tv : thread_votes) {
            for (std::size_t g = 0; g < n_grid; ++g) votes[g] += tv[g];
        }
        stats.counter = static_cast<std::int32_t>(counter.value());
        for (const auto& walker : walkers) stats.leaves += walker->leaves();
    }
    return stats;
}

}  // namespace quillon::engine
