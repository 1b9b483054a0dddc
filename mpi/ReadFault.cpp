// Messages of the state-space reading faults, word for word those of the one-process solver.
#include "mpi/ReadFault.h"

#include <cstdio>

#include "framework/InputError.h"
#include "statelevel/Flat/ArmNumbers.h"
#include "statelevel/Flat/ArmScan.h"

void tellReadFault(ReadFault fault, const std::string& base, long long at, int states)
{
    const std::string arm = base + ".arm";
    InputError told("", InputError::STANDARD_ERROR);
    if (fault == ReadFault::None || fault == ReadFault::Told) return;
    if (fault != ReadFault::Deterministic && arm_file_fault(arm, told)) {
        told.report();
        return;
    }
    switch (fault) {
    case ReadFault::None:
    case ReadFault::Told: return;
    case ReadFault::ArmOpen: printf("Error reading file %s.\n", arm.c_str()); break;
    case ReadFault::ArmCorrupt:
        fprintf(stderr, "Error reading state space file (.arm file) possibly due to corruption.\n");
        break;
    case ReadFault::OneState:
        fprintf(stderr, "Corrupt state space file or state space has only one state.\n");
        break;
    case ReadFault::MissingRow: printf("There is a missing row in the matrix.\n"); break;
    case ReadFault::Deterministic:
        printf("Cannot use this solver since deterministic activities exist\n");
        printf("in the model. Only deterministic steady state solver can be used.\n");
        break;
    case ReadFault::ArmRunTogether:
    case ReadFault::ArmUnderflow: {
        ArmNumber kind = fault == ReadFault::ArmUnderflow ? ArmNumber::Underflow : ArmNumber::RunTogether;
        fprintf(stderr, "%s\n", arm_number_fault(arm, at, kind).message().c_str());
        break;
    }
    case ReadFault::ArmTrailing:
        fprintf(stderr, "%s\n", arm_trailing_fault(arm, at, states).message().c_str());
        break;
    }
    fflush(stdout);
    fflush(stderr);
}
