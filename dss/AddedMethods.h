// Methods a program adds to those of dss (dss-mpi adds its solve across processes), by name,
// and the method a run uses when -m is not given.
#ifndef VELMAR_DSS_ADDEDMETHODS_H
#define VELMAR_DSS_ADDEDMETHODS_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "methods/SolutionMethod.h"
#include "methods/MethodSettings.h"

using AddedMaker = std::function<std::unique_ptr<SolutionMethod>(const MethodSettings&)>;

// Makes `name` a method of -m; with byDefault, the method of a run without -m.
void addMethod(const std::string& name, AddedMaker make, bool byDefault);

// The maker of an added method, empty for any other name.
AddedMaker addedMethod(const std::string& name);

// The added methods' names, in the order they were added.
std::vector<std::string> addedMethodNames();

// "lu", unless a program made an added method the default.
std::string defaultMethod();

#endif
