#include "viewer/model/fault_data.h"

#include <algorithm>
#include <cmath>

namespace quillon::viewer {

int misfitClass(float misfit, double eps) {
    return static_cast<int>(std::floor(double(misfit) + eps)) / 10;
}

void FaultDataSet::reallocate(std::int16_t n) {
    records.assign(static_cast<std::size_t>(n < 0 ? 0 : n) + 1, FaultDatum{});
}

void FaultDataSet::determineSenses() {
    const int last = std::min<int>(count, static_cast<int>(records.size()) - 1);
    for (int i = 1; i <= last; ++i) {
        FaultDatum& d = records[i];
        if (d.sense.empty()) continue;
        switch (d.sense[0]) {
            case 'N': d.reducedSense = SenseOfShear::Normal; break;
            case 'R': d.reducedSense = SenseOfShear::Reverse; break;
            case 'D': d.reducedSense = angleBetweenAzimuths(d.plane.az, d.slip.az) > 0 ? SenseOfShear::Normal : SenseOfShear::Reverse; break;
            case 'S': d.reducedSense = angleBetweenAzimuths(d.plane.az, d.slip.az) > 0 ? SenseOfShear::Reverse : SenseOfShear::Normal; break;
            default: break;
        }
    }
}

std::vector<bool> FaultDataSet::computeMisfits(const Matrix3& S) {
    const int last = std::min<int>(count, static_cast<int>(records.size()) - 1);
    std::vector<bool> zeroShear(static_cast<std::size_t>(last < 0 ? 0 : last) + 1, false);
    for (int i = 1; i <= last; ++i) {
        FaultDatum& d = records[i];
        const Vector3 n = directionToVector(d.plane.az + 180.0f, 90.0f - d.plane.pl);
        const Vector3 t = matrixVectorProduct(S, n);
        d.normalStress = dotProduct(n, t);
        const Vector3 tau = projectOntoPlane(t, n);
        d.shearStress = vectorLength(tau);
        if (isShorterThan(tau, kZeroShearStress)) {
            d.theoreticalSlip = undefinedDirection();
            d.misfit = kZeroShearMisfit;
            zeroShear[i] = true;
            continue;
        }
        const Vector3 unit = normalizeVector(tau);
        Vector3 s = directionToVector(d.slip);
        if (d.reducedSense == SenseOfShear::Reverse) s = negateVector(s);
        double c = dotProduct(unit, s);
        if (c > 1.0) c = 1.0;
        if (c < -1.0) c = -1.0;
        d.misfit = static_cast<float>(std::acos(c) * kRadToDeg);
        d.theoreticalSlip = vectorToDirection(unit);
    }
    return zeroShear;
}

Matrix3 reducedStressTensor(const Direction& sigma1, const Direction& sigma3, float phi) {
    const Vector3 a1 = directionToVector(sigma1);
    const Vector3 a3 = directionToVector(sigma3);
    const Vector3 a2 = crossProduct(a1, a3);
    Matrix3 Q;
    const Vector3 rows[3] = {a1, a2, a3};
    for (int i = 0; i < 3; ++i) {
        Q.a[i][0] = rows[i].x;
        Q.a[i][1] = rows[i].y;
        Q.a[i][2] = rows[i].z;
    }
    Matrix3 D;
    D.a[0][0] = 1.0f;
    D.a[1][1] = phi;
    return matrixProduct(transposeMatrix(Q), matrixProduct(D, Q));
}

}  // namespace quillon::viewer
