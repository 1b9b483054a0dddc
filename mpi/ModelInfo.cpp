// The model's description on the first process.
#include "mpi/ModelInfo.h"

#include <utility>

ModelInfo::ModelInfo(int states, int initial, std::vector<std::string> names)
    : states(states), initial(initial), names(std::move(names))
{
}
