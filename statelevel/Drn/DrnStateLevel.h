// The state level over a chain in Storm's explicit text format, B.drn.
#ifndef VELMAR_DRNSTATELEVEL_H
#define VELMAR_DRNSTATELEVEL_H

#include <string>

#include "statelevel/Chain/ChainStateLevel.h"
#include "statelevel/Drn/DrnReader.h"

class DrnStateLevel : public ChainStateLevel
{
public:
    explicit DrnStateLevel(const std::string& base)
        : ChainStateLevel(DrnReader(base + ".drn").read())
    {
    }
};

#endif
