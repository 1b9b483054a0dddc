// Nearly decomposable chains: strongly connected blocks of states joined by rare transitions,
// and their answers by dense GTH in long double (the oracle's).
#ifndef VELMAR_TESTS_SUPPORT_BLOCKCHAINS_H
#define VELMAR_TESTS_SUPPORT_BLOCKCHAINS_H

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/support/GeneratorChains.h"
#include "tests/support/Oracle.h"

// A chain whose states fall into known blocks.
struct Blocks {
    int n = 0;
    Transitions t;
    std::vector<int> blockOf;
    std::string name;
};

// Adds a strongly connected block of m states with rates between 0.5 and 2.
inline int addBlock(Blocks& c, std::mt19937& gen, int m)
{
    std::uniform_real_distribution<double> rate(0.5, 2.0), unit(0.0, 1.0);
    const int first = c.n, id = c.blockOf.empty() ? 0 : c.blockOf.back() + 1;
    for (int a = 0; a < m; ++a) {
        c.blockOf.push_back(id);
        for (int b = 0; b < m; ++b)
            if (b == (a + 1) % m || (b != a && unit(gen) < 0.3)) c.t.emplace_back(first + a, first + b, rate(gen));
    }
    c.n += m;
    return first;
}

// The stationary vector by dense GTH in long double, transient states at 0.
inline std::vector<double> stationary(int n, const Transitions& t)
{
    return closedStationary(denseRates(makeGenerator(n, t)), true);
}

// The probability of each block.
inline std::vector<double> blockMasses(const std::vector<double>& pi, const std::vector<int>& blockOf)
{
    std::vector<double> mass(*std::max_element(blockOf.begin(), blockOf.end()) + 1, 0.0);
    for (size_t i = 0; i < pi.size(); ++i) mass[blockOf[i]] += pi[i];
    return mass;
}

// Two, three and nested blocks coupled from 1e-4 to 1e-15, both ways and lopsided.
inline std::vector<Blocks> families()
{
    std::vector<Blocks> all;
    std::mt19937 gen(2207);
    for (double eps : {1e-4, 1e-8, 1e-12, 1e-15})
        for (double lopsided : {1.0, 37.0}) {
            Blocks c;
            int a = addBlock(c, gen, 6), b = addBlock(c, gen, 9);
            c.t.emplace_back(a + 2, b + 4, eps);
            c.t.emplace_back(b + 1, a + 5, eps * lopsided);
            c.name = "two blocks at " + std::to_string(eps) + " x" + std::to_string(lopsided);
            all.push_back(c);
        }
    for (double eps : {1e-6, 1e-13}) {
        Blocks c;
        int a = addBlock(c, gen, 8), b = addBlock(c, gen, 5), d = addBlock(c, gen, 11);
        c.t.emplace_back(a, b + 1, eps);
        c.t.emplace_back(b + 2, d + 3, 3 * eps);
        c.t.emplace_back(d + 7, a + 4, eps / 7);
        c.name = "three blocks in a ring at " + std::to_string(eps);
        all.push_back(c);
    }
    Blocks nested;  // pairs coupled at 1e-4 inside, the pairs at 1e-10
    int p[4];
    for (int& first : p) first = addBlock(nested, gen, 7);
    nested.t.emplace_back(p[0] + 1, p[1] + 2, 1e-4);
    nested.t.emplace_back(p[1] + 3, p[0], 2e-4);
    nested.t.emplace_back(p[2] + 1, p[3] + 2, 3e-4);
    nested.t.emplace_back(p[3] + 3, p[2], 1e-4);
    nested.t.emplace_back(p[1] + 5, p[2] + 5, 1e-10);
    nested.t.emplace_back(p[3] + 6, p[0] + 6, 4e-10);
    nested.name = "nested blocks at 1e-4 and 1e-10";
    all.push_back(nested);
    return all;
}

#endif
