// Entry of dss: the output guards, then the run.
#include "framework/OutputCheck.h"
#include "framework/PendingOutputs.h"
#include "run/ProgramRun.h"

int main(int argc, char** argv)
{
    install_output_guards();
    guard_standard_output();
    hold_outputs_to_the_end();
    return runDss(argc, argv);
}
