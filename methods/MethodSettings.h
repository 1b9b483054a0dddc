// Settings the solution methods share.
#ifndef VELMAR_DSS_METHODSETTINGS_H
#define VELMAR_DSS_METHODSETTINGS_H

#include <cstdint>
#include <string>

struct BlockLevels;
struct Generator;

struct MethodSettings {
    double accuracy = 1e-9;        // the solution check's residual bound
    int iterationLimit = 0;        // iterations (sweeps) of an iterative method; 0: its own
    std::string ordering = "none";  // "none" (the states' own order) or "rcm"
    double relaxation = 1.0;       // SOR factor of gs (1: Gauss-Seidel)
    int closedClasses = -1;        // of the chain when the caller has counted them, else -1
    int transientStates = -1;      // likewise
    int threads = 0;               // of gs's sweeps; 0: one per processor (up to 4) from 100,000 states
    bool multilevel = true;        // auto may try mla
    int64_t memoryRoom = 0;        // bytes work arrays may take; 0: what the system has available
    // the chain's blocks for the solution check, when the caller has found them (of the chain
    // given to solve, never of a part of it)
    const BlockLevels* blocks = nullptr;
    // the chain itself, when the caller lets a method set its rows aside while it works from
    // another form of them that gives them back bit for bit before it returns (never a part
    // of the chain, which the method tells by its address)
    Generator* lendable = nullptr;
};

// The balance residual an iterative method aims at (every state's flows balanced to a hundredth
// of the check's bound), so that the probabilities themselves come out accurate, not only
// the residual scaled by ||Q|| (a birth-death chain of 500 states at that bound is still
// 2e-8 off).
inline double iterationTarget(const MethodSettings& s)
{
    return 0.01 * (s.accuracy > 1e-12 ? s.accuracy : 1e-12);
}

#endif
