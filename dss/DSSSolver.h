// The direct steady-state solver: options, lifecycle and outputs.
#ifndef VELMAR_DSSSOLVER_H
#define VELMAR_DSSSOLVER_H

#include <cstdint>
#include <vector>

#include "framework/BaseStateLevelSolver.h"

struct Matrix;

// x to the integer power k by repeated multiplication or division.
double port_pow(double x, int k);

class DSSSolver : public BaseStateLevelSolver {
public:
    DSSSolver(BaseStateLevel* level, int argc, char** argv);
    ~DSSSolver() override;

    void solve() override;
    void initialize() override;
    void ShowCmdLineOptions() override;

    void DisplayBanners();
    void print_states();
    void terminate();

    double accuracy = 1e-9;
    double tolerance = 0.001;
    double dropThreshold = 0.0;
    bool complementPlot = false;
    int16_t stability = 0;
    int32_t searchRows = 0;
    std::vector<double> solutionVector;
    std::vector<int> colCost;
    std::vector<int> rowCost;
    std::vector<int> colSwap;
    std::vector<int> rowSwap;
    std::vector<int> colPosition;
    std::vector<double> rhs;
    double minRate = 1e9;
    int numStates = 0;
    Matrix* A = nullptr;
};

#endif
