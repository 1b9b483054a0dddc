// Look-ups in the in-memory chain.
#include "statelevel/Chain/ChainModel.h"

int ChainModel::findPV(const std::string& name) const
{
    for (size_t p = 0; p < pv_names.size(); ++p)
        if (pv_names[p] == name) return (int)p;
    return -1;
}
