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
    int nv;
};

// A grid holding exactly `states` (in the given order, which must be by
// ascending votes), as a load would leave it; Sd is left 0 unless given.
inline viewer::ResultModel ModelOf(std::initializer_list<StateSpec> states, float sd = 0.0f) {
    viewer::ResultModel m;
    std::uint16_t id = 0;
    for (const auto& s : states) {
        viewer::TGridPoint g;
        g.id = ++id;
        g.nv = s.nv;
        g.axis[0] = viewer::Tazpl{s.s1az, s.s1pl};
        g.axis[1] = viewer::Tazpl{s.s3az, s.s3pl};
        g.sr = s.phi;
        g.sri = static_cast<std::uint8_t>(viewer::RoundToInt(s.phi * 10.0));
        m.GridPoints.push_back(g);
        if (s.nv > 0) ++m.NZG;
    }
    m.NG = static_cast<std::uint32_t>(m.GridPoints.size());
    m.Sd = sd;
    return m;
}

inline QImage WhiteCanvas() {
    QImage img(2000, 1000, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

}  // namespace quillon::testing
