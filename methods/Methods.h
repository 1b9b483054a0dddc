// The methods of this folder by name.
#ifndef VELMAR_DSS_METHODS_H
#define VELMAR_DSS_METHODS_H

#include <memory>
#include <string>

#include "methods/SolutionMethod.h"
#include "methods/AutoMethod.h"
#include "methods/MethodSettings.h"

// "ilu", "gs", "mla", "gth" or "auto" (whose candidates come from `others` and this function); nullptr
// for any other name.
std::unique_ptr<SolutionMethod> makeMethod(const std::string& name, const MethodSettings& s,
                                           const MethodMaker& others = nullptr);

// The chain solved by gth (within its fill budget when budgeted), memory running out
// included: false, with the reason in attempt, when it produced no vector.
bool solveWithGth(const Generator& q, const MethodSettings& s, bool budgeted, std::vector<double>& pi,
                  SolveAttempt& attempt);

#endif
