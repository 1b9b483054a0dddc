// Messages of the state-space reading faults, word for word those of the one-process solver.
#include "mpi/ReadFault.h"

#include <cstdio>

#include "statelevel/Flat/ArmNumbers.h"

void tellReadFault(ReadFault fault, const std::string& base, const std::string& word, long long at, int states)
{
    switch (fault) {
    case ReadFault::None: return;
    case ReadFault::ArmOpen: printf("Error reading file %s.arm.\n", base.c_str()); break;
    case ReadFault::ArmCorrupt:
        fprintf(stderr, "Error reading state space file (.arm file) possibly due to corruption.\n");
        break;
    case ReadFault::OneState:
        fprintf(stderr, "Corrupt state space file or state space has only one state.\n");
        break;
    case ReadFault::MissingRow: printf("There is a missing row in the matrix.\n"); break;
    case ReadFault::VarCorrupt:
        fprintf(stderr, "Error reading performance variable file (.var file) possibly due to corruption.\n");
        break;
    case ReadFault::VarName:
        fprintf(stderr,
                "Error reading performance variable file (.var file): the PV name %s holds a "
                "path separator or is longer than %zu characters.\n",
                word.c_str(), (size_t)103);
        break;
    case ReadFault::Deterministic:
        printf("Cannot use this solver since deterministic activities exist\n");
        printf("in the model. Only deterministic steady state solver can be used.\n");
        break;
    case ReadFault::ArmRunTogether:
    case ReadFault::ArmUnderflow: {
        ArmNumber kind = fault == ReadFault::ArmUnderflow ? ArmNumber::Underflow : ArmNumber::RunTogether;
        fprintf(stderr, "%s\n", arm_number_fault(base + ".arm", at, kind).message().c_str());
        break;
    }
    case ReadFault::ArmTrailing:
        fprintf(stderr, "%s\n", arm_trailing_fault(base + ".arm", at, states).message().c_str());
        break;
    }
    fflush(stdout);
    fflush(stderr);
}
