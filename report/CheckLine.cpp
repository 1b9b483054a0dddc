// The report's line on a solution check.
#include "report/CheckLine.h"

#include <cstdio>

std::string checkReportLine(const SolutionCheck& c, double forwardError)
{
    char line[700], blocks[200] = "", estimate[80] = "";
    if (c.blocks > 0) {
        int k = snprintf(blocks, sizeof blocks, ", worst block imbalance = %.3e over %d blocks", c.blockImbalance,
                         c.blocks);
        if (c.coupling < 1e-2)
            snprintf(blocks + k, sizeof blocks - k, "; nearly decomposable: blocks coupled at %.1e", c.coupling);
    }
    if (forwardError >= 0.0) snprintf(estimate, sizeof estimate, "; estimated error %.1e (1-norm)", forwardError);
    snprintf(line, sizeof line,
             "Solution check (infinity norm): ||pi Q||/(||Q|| ||pi||) = %.3e, worst state imbalance = %.3e, "
             "bound %.1e; sum = %.12f, smallest = %.3e%s%s: %s.\n",
             c.residual, c.imbalance, c.bound, c.sum, c.mostNegative, blocks, estimate,
             c.passed ? "passed" : "failed");
    return line;
}

std::string resolutionFloorLine(const SolutionCheck& c)
{
    if (!c.passed || !(c.resolutionFloor >= 0.0))
        return "Resolution floor: none, since the solution did not pass its check.\n";
    char line[200];
    snprintf(line, sizeof line, "Resolution floor: %.1e (probabilities below it carry no accuracy)\n",
             c.resolutionFloor);
    return line;
}
