#include "tools/kdtree5.h"

#include <algorithm>
#include <numeric>

namespace quillon::tools {

namespace {
constexpr std::int32_t kLeafSize = 8;

double distance2(const Vec5& a, const Vec5& b) {
    double s = 0;
    for (int i = 0; i < 5; ++i) {
        const double d = a[i] - b[i];
        s += d * d;
    }
    return s;
}
}  // namespace

KdTree5::KdTree5(const std::vector<Vec5>& points) : points_(points), order_(points.size()) {
    std::iota(order_.begin(), order_.end(), 0);
    nodes_.reserve(2 * points.size() / kLeafSize + 2);
    if (!points.empty()) build(0, static_cast<std::int32_t>(points.size()));
}

std::int32_t KdTree5::build(std::int32_t begin, std::int32_t end) {
    const auto id = static_cast<std::int32_t>(nodes_.size());
    nodes_.push_back({begin, end, -1, -1, 0, 0.0});
    if (end - begin <= kLeafSize) return id;
    // Split on the dimension of largest extent, at the median.
    double lo[5], hi[5];
    for (int d = 0; d < 5; ++d) {
        lo[d] = 1e300;
        hi[d] = -1e300;
    }
    for (std::int32_t i = begin; i < end; ++i) {
        const Vec5& p = points_[order_[i]];
        for (int d = 0; d < 5; ++d) {
            lo[d] = std::min(lo[d], p[d]);
            hi[d] = std::max(hi[d], p[d]);
        }
    }
    int dim = 0;
    for (int d = 1; d < 5; ++d)
        if (hi[d] - lo[d] > hi[dim] - lo[dim]) dim = d;
    const std::int32_t mid = begin + (end - begin) / 2;
    std::nth_element(order_.begin() + begin, order_.begin() + mid, order_.begin() + end,
                     [&](std::int32_t a, std::int32_t b) {
                         const double pa = points_[a][dim], pb = points_[b][dim];
                         return pa < pb || (pa == pb && a < b);
                     });
    const double split = points_[order_[mid]][dim];
    const std::int32_t left = build(begin, mid);
    const std::int32_t right = build(mid, end);
    nodes_[id].left = left;
    nodes_[id].right = right;
    nodes_[id].dim = dim;
    nodes_[id].split = split;
    return id;
}

KdTree5::Nearest KdTree5::nearest(const Vec5& q, std::int64_t exclude) const {
    Nearest best;
    best.distance2 = 1e300;
    if (!nodes_.empty()) nearest_in(0, q, exclude, best);
    return best;
}

void KdTree5::nearest_in(std::int32_t id, const Vec5& q, std::int64_t exclude, Nearest& best) const {
    const Node& node = nodes_[id];
    if (node.left < 0) {
        for (std::int32_t i = node.begin; i < node.end; ++i) {
            const std::int32_t p = order_[i];
            if (p == exclude) continue;
            const double d2 = distance2(points_[p], q);
            if (d2 < best.distance2 || (d2 == best.distance2 && p < best.index)) {
                best.distance2 = d2;
                best.index = p;
            }
        }
        return;
    }
    const double delta = q[node.dim] - node.split;
    const std::int32_t first = delta < 0 ? node.left : node.right;
    const std::int32_t second = delta < 0 ? node.right : node.left;
    nearest_in(first, q, exclude, best);
    if (delta * delta <= best.distance2) nearest_in(second, q, exclude, best);
}

void KdTree5::within(const Vec5& q, double radius, std::vector<std::int32_t>& out) const {
    out.clear();
    if (!nodes_.empty()) within_in(0, q, radius * radius, out);
}

void KdTree5::within_in(std::int32_t id, const Vec5& q, double r2, std::vector<std::int32_t>& out) const {
    const Node& node = nodes_[id];
    if (node.left < 0) {
        for (std::int32_t i = node.begin; i < node.end; ++i)
            if (distance2(points_[order_[i]], q) <= r2) out.push_back(order_[i]);
        return;
    }
    const double delta = q[node.dim] - node.split;
    if (delta <= 0 || delta * delta <= r2) within_in(node.left, q, r2, out);
    if (delta >= 0 || delta * delta <= r2) within_in(node.right, q, r2, out);
}

}  // namespace quillon::tools
