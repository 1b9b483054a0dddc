// Minimal flat state level: refuses deterministic models and missing files.
#include "statelevel/Flat/FlatStateLevel.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

FlatStateLevel::FlatStateLevel(const char* base) : base_name(base)
{
    if (std::ifstream(base_name + ".det")) {
        printf("Cannot use this solver since deterministic activities exist\n");
        printf("in the model. Only deterministic steady state solver can be used.\n");
        exit(1);
    }
    std::ifstream arm(base_name + ".arm");
    if (!arm) {
        printf("Error reading file %s.\n", (base_name + ".arm").c_str());
        exit(1);
    }
    int initial = 0;
    arm >> initial >> num_states;
    initial_state = initial - 1;
}
