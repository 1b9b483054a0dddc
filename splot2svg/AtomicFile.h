// Writing a file so that it appears whole or not at all, never through a link.
#ifndef SPLOT2SVG_ATOMICFILE_H
#define SPLOT2SVG_ATOMICFILE_H

#include <string>

// Writes `bytes` to a new temporary file in the directory of `path` (created
// exclusively, so nothing that exists is opened) and renames it over `path`.
// A symbolic link at `path` is replaced by the file; its target stays as it was.
// Returns an empty string, or what went wrong with the system's reason; on
// failure the temporary file is removed and `path` is unchanged.
std::string replaceFile(const std::string& path, const std::string& bytes);

#endif
