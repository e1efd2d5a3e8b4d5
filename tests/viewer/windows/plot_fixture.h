// Small in-memory results for the plot and window tests.
#pragma once

#include <QImage>
#include <QPainter>
#include <initializer_list>

#include "viewer/geometry/rounding.h"
#include "viewer/model/result_model.h"

namespace quillon::testing {

struct StateSpec {
    float s1az, s1pl, s3az, s3pl, phi;
    int votes;
};

// A grid holding exactly `states` (in the given order, which must be by
// ascending votes), as a load would leave it; Sd is left 0 unless given.
inline viewer::ResultModel ModelOf(std::initializer_list<StateSpec> states, float sd = 0.0f) {
    viewer::ResultModel m;
    std::uint16_t id = 0;
    for (const auto& s : states) {
        viewer::GridPoint g;
        g.id = ++id;
        g.votes = s.votes;
        g.axis[0] = viewer::Direction{s.s1az, s.s1pl};
        g.axis[1] = viewer::Direction{s.s3az, s.s3pl};
        g.stressRatio = s.phi;
        g.ratioClass = static_cast<std::uint8_t>(viewer::roundToInt(s.phi * 10.0));
        m.gridPoints.push_back(g);
        if (s.votes > 0) ++m.votedCount;
    }
    m.gridCount = static_cast<std::uint32_t>(m.gridPoints.size());
    m.voteSd = sd;
    return m;
}

inline QImage WhiteCanvas() {
    QImage img(2000, 1000, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

}  // namespace quillon::testing
