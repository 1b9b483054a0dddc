// The report's line on the phases of the run.
#include "report/PhasesLine.h"

#include <cstdio>

std::string phasesLine(const RunPhases& p)
{
    char line[300];
    snprintf(line, sizeof line,
             "Phases (wall seconds): reading %.6f, structure analysis %.6f, solving %.6f, PV evaluation %.6f, "
             "writing %.6f\n",
             p.reading, p.structure, p.solving, p.evaluation, p.writing);
    return line;
}
