// A fault-slip record as the data reader fills it (degrees and sense, no vectors).
#pragma once

#include "engine/core/tables.h"

namespace quillon::engine {

inline FaultDatum datum(float dd, float dip, float trend, float plunge, char sense) {
    FaultDatum d;
    d.dip_direction = dd;
    d.dip = dip;
    d.slip_trend = trend;
    d.slip_plunge = plunge;
    d.sense = sense;
    return d;
}

}  // namespace quillon::engine
