// Inputs are read only from regular files: a device, a pipe or a directory
// could block the run or feed it without end.
#ifndef VELMAR_INPUTFILES_H
#define VELMAR_INPUTFILES_H

#include <string>

// Throws InputError when `path` names something that exists but is not a
// regular file; a missing file is left to the caller's own message.
void require_regular_file(const std::string& path);

#endif
