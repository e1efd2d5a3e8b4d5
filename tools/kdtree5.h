// A static k-d tree over points of R^5 for exact nearest-neighbour and
// fixed-radius queries (Euclidean, i.e. chord, distance). Built once from a
// point set that it references (the points must outlive the tree and stay
// unchanged); construction and queries are deterministic.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/stress_space.h"

namespace quillon::tools {

class KdTree5 {
public:
    explicit KdTree5(const std::vector<Vec5>& points);

    struct Nearest {
        std::int64_t index = -1;  // -1 when the tree holds no eligible point
        double distance2 = 0;     // squared Euclidean distance
    };
    // Nearest point to q, skipping the point with index `exclude` (pass -1 to skip none).
    Nearest nearest(const Vec5& q, std::int64_t exclude = -1) const;
    // Indexes of all points within Euclidean distance `radius` of q (in tree order).
    void within(const Vec5& q, double radius, std::vector<std::int32_t>& out) const;

private:
    struct Node {
        std::int32_t begin, end;     // range of order_ held below this node
        std::int32_t left, right;    // child nodes, -1 for a leaf
        std::int32_t dim;
        double split;
    };
    std::int32_t build(std::int32_t begin, std::int32_t end);
    void nearest_in(std::int32_t node, const Vec5& q, std::int64_t exclude, Nearest& best) const;
    void within_in(std::int32_t node, const Vec5& q, double r2, std::vector<std::int32_t>& out) const;

    const std::vector<Vec5>& points_;
    std::vector<std::int32_t> order_;
    std::vector<Node> nodes_;
};

}  // namespace quillon::tools
