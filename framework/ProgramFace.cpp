// The running program's face.
#include "framework/ProgramFace.h"

namespace {
ProgramFace running;
}

const ProgramFace& programFace() { return running; }

void setProgramFace(const ProgramFace& face) { running = face; }
