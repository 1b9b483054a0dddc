// Independent answers for the numerical tests, written apart from the program's own code.
#ifndef VELMAR_TESTS_SUPPORT_ORACLE_H
#define VELMAR_TESTS_SUPPORT_ORACLE_H

#include <vector>

// Stationary vector of an irreducible chain by the Grassmann-Taksar-Heyman elimination, dense; the
// diagonal (self-loops, or minus the exit rates) is never read.
inline std::vector<double> gthSolve(std::vector<std::vector<double>> Q)
{
    int n = (int)Q.size();
    for (int k = n - 1; k > 0; --k) {
        double s = 0.0;
        for (int j = 0; j < k; ++j) s += Q[k][j];
        for (int i = 0; i < k; ++i) Q[i][k] /= s;
        for (int i = 0; i < k; ++i)
            for (int j = 0; j < k; ++j) Q[i][j] += Q[i][k] * Q[k][j];
    }
    std::vector<double> pi(n, 0.0);
    pi[0] = 1.0;
    for (int k = 1; k < n; ++k)
        for (int i = 0; i < k; ++i) pi[k] += pi[i] * Q[i][k];
    double total = 0.0;
    for (double p : pi) total += p;
    for (double& p : pi) p /= total;
    return pi;
}

#endif
