// Gathering the PRISM files of one chain.
#include "statelevel/Prism/PrismStateLevel.h"

#include <unistd.h>

#include "statelevel/Prism/PrismReaders.h"

ChainModel read_prism_model(const std::string& base)
{
    ChainModel model;
    read_prism_tra(base + ".tra", model);
    read_prism_sta(base + ".sta", model);
    read_prism_lab(base + ".lab", model);
    read_prism_srew(base + ".srew", "reward", model);
    // several reward structures come as B1.srew, B2.srew, ...
    for (int k = 1;; ++k) {
        std::string name = base + std::to_string(k) + ".srew";
        if (access(name.c_str(), F_OK) != 0) break;
        read_prism_srew(name, "reward" + std::to_string(k), model);
    }
    return model;
}
