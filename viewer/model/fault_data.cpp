#include "viewer/model/fault_data.h"

#include <algorithm>
#include <cmath>

namespace quillon::viewer {

int MisfitClass(float misfit, double eps) {
    return static_cast<int>(std::floor(double(misfit) + eps)) / 10;
}

void FaultDataSet::ReallocateFD(std::int16_t n) {
    FD.assign(static_cast<std::size_t>(n < 0 ? 0 : n) + 1, TFaultData{});
}

void FaultDataSet::Determine_NRS() {
    const int count = std::min<int>(NF, static_cast<int>(FD.size()) - 1);
    for (int i = 1; i <= count; ++i) {
        TFaultData& d = FD[i];
        if (d.sense.empty()) continue;
        switch (d.sense[0]) {
            case 'N': d.nrs = N; break;
            case 'R': d.nrs = R; break;
            case 'D': d.nrs = AngleBetweenAzimuths(d.fp.az, d.ss.az) > 0 ? N : R; break;
            case 'S': d.nrs = AngleBetweenAzimuths(d.fp.az, d.ss.az) > 0 ? R : N; break;
            default: break;
        }
    }
}

std::vector<bool> FaultDataSet::ComputeMisfits(const Tmatrix& S) {
    const int count = std::min<int>(NF, static_cast<int>(FD.size()) - 1);
    std::vector<bool> zeroShear(static_cast<std::size_t>(count < 0 ? 0 : count) + 1, false);
    for (int i = 1; i <= count; ++i) {
        TFaultData& d = FD[i];
        const Tvector n = AzplToVector(d.fp.az + 180.0f, 90.0f - d.fp.pl);
        const Tvector t = MatrixVectorProduct(S, n);
        d.nstr = DotProduct(n, t);
        const Tvector tau = ProjectOntoPlane(t, n);
        d.sstr = VectorLength(tau);
        if (IsShorterThan(tau, 1e-10f)) {
            d.tsd = UndefinedDirection();
            d.misfit = kZeroShearMisfit;
            zeroShear[i] = true;
            continue;
        }
        const Tvector unit = NormalizeVector(tau);
        Tvector s = AzplToVector(d.ss);
        if (d.nrs == R) s = NegateVector(s);
        double c = DotProduct(unit, s);
        if (c > 1.0) c = 1.0;
        if (c < -1.0) c = -1.0;
        d.misfit = static_cast<float>(std::acos(c) * kRadToDeg);
        d.tsd = VectorToAzpl(unit);
    }
    return zeroShear;
}

Tmatrix ReducedStressTensor(const Tazpl& sigma1, const Tazpl& sigma3, float phi) {
    const Tvector a1 = AzplToVector(sigma1);
    const Tvector a3 = AzplToVector(sigma3);
    const Tvector a2 = CrossProduct(a1, a3);
    Tmatrix Q;
    const Tvector rows[3] = {a1, a2, a3};
    for (int i = 0; i < 3; ++i) {
        Q.a[i][0] = rows[i].x;
        Q.a[i][1] = rows[i].y;
        Q.a[i][2] = rows[i].z;
    }
    Tmatrix D;
    D.a[0][0] = 1.0f;
    D.a[1][1] = phi;
    return MatrixProduct(TransposeMatrix(Q), MatrixProduct(D, Q));
}

}  // namespace quillon::viewer
