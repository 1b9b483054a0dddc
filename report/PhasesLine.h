// The report's line on where the run's wall-clock time went.
#ifndef VELMAR_REPORT_PHASESLINE_H
#define VELMAR_REPORT_PHASESLINE_H

#include <string>

#include "framework/RunPhases.h"

// "Phases (wall seconds): reading ..., structure analysis ..., solving ..., PV evaluation ...,
// writing ...\n".
std::string phasesLine(const RunPhases& p);

#endif
