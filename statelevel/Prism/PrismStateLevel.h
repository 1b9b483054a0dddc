// The state level over the explicit files PRISM writes for a chain: B.tra,
// and when present B.sta, B.lab and the reward structures: B.srew and B.trew,
// or B1.srew and B1.trew, B2.srew and B2.trew, ... (either file of a pair may be absent).
#ifndef VELMAR_PRISMSTATELEVEL_H
#define VELMAR_PRISMSTATELEVEL_H

#include <string>

#include "statelevel/Chain/ChainModel.h"
#include "statelevel/Chain/ChainStateLevel.h"

// Reads the files of base name B into a model: PVs are the variables, then
// the labels, then the reward structures; refuses a malformed file.
ChainModel read_prism_model(const std::string& base);

class PrismStateLevel : public ChainStateLevel
{
public:
    explicit PrismStateLevel(const std::string& base) : ChainStateLevel(read_prism_model(base)) {}
};

#endif
