// The one way the flat state-space readers end the run on a file they
// cannot load. A fuzzing build links its own definition that returns
// control to the harness instead of ending the process.
#ifndef VELMAR_FLAT_FILE_EXIT_H
#define VELMAR_FLAT_FILE_EXIT_H

// Ends the process with `status` after the reader has written its message.
[[noreturn]] void flat_file_exit(int status);

#endif
