// How much memory a method may still take before the system has to refuse it or end the
// process: checked before a method builds work arrays that would not fit.
#ifndef VELMAR_METHODS_MEMORYROOM_H
#define VELMAR_METHODS_MEMORYROOM_H

#include <cstdint>

// Bytes the system can still give without swapping (its own estimate of available memory),
// or 0 when it does not say.
int64_t availableMemoryBytes();

#endif
