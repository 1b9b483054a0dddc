// Runs the built dss program on a state space of the test data and captures its
// two output streams separately.
#ifndef VELMAR_TESTS_DSSRUN_H
#define VELMAR_TESTS_DSSRUN_H

#include <string>

#include "tests/support/program_under_test.h"

// Private to each test file: the numerical tests have a DssRun of their own.
namespace {

typedef ProgramResult DssRun;

// dss -P p -S s -s <scratch>/ -G <dir>/ -E <name>
inline DssRun runDss(const std::string& dir, const std::string& name)
{
    TempDir scratch;
    return run_dss({"-P", "p", "-S", "s", "-s", scratch.dir(), "-G", dir, "-E", name});
}

inline std::string dataDir() { return std::string(VELMAR_TEST_DATA) + "/statelevel/"; }

}  // namespace

#endif
