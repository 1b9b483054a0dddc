// How many transitions a state level's chain has, as the report states them.
#ifndef VELMAR_TRANSITIONCOUNT_H
#define VELMAR_TRANSITIONCOUNT_H

#include <cstdint>

#include "statelevel/BaseStateLevel.h"

// Transitions of the chain: distinct pairs of different states joined by an edge.
int64_t countTransitions(BaseStateLevel& level);

#endif
