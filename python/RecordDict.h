// The record of a solve as a Python dict: every figure of every attempt, the final check, the
// closed classes and the phases' times, under names that read well from Python.
#ifndef VELMAR_PYTHON_RECORDDICT_H
#define VELMAR_PYTHON_RECORDDICT_H

#include <pybind11/pybind11.h>

#include "methods/SolveRecord.h"

// The record, with seconds the wall-clock time of the whole solve.
pybind11::dict recordDict(const SolveRecord& record, double seconds);

#endif
