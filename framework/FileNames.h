// What file names resolve to: directory values given without their trailing
// slash, and the refusal of outputs that would land in one file together or
// in one of the run's inputs.
#ifndef VELMAR_FILENAMES_H
#define VELMAR_FILENAMES_H

#include <string>
#include <vector>

// A file of the run and what it is to the user ("report file", "PV type file").
struct NamedFile {
    std::string path;
    std::string role;
};

// The value with a slash appended when it names an existing directory without
// one; any other value (a directory followed by a name prefix) as it is.
std::string directory_value(const std::string& value);

// Identity of the file a name resolves to: device and inode of an existing
// file, else the resolved directory and the last name component (following
// a dangling symbolic link to the file that writing would create).
std::string file_identity(const std::string& path);

// Throws InputError, naming both, when two outputs resolve to one file or an
// output resolves to an input. Outputs that are existing devices or pipes
// (such as /dev/null) may be shared.
void refuse_shared_files(const std::vector<NamedFile>& outputs,
                         const std::vector<NamedFile>& inputs);

#endif
