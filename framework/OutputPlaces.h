// The checks of the command line's file names made before any state-space file
// is read: every output must be writable where it is named, and none may take
// the name of an input of any format, of the comments file or of another output.
#ifndef VELMAR_OUTPUTPLACES_H
#define VELMAR_OUTPUTPLACES_H

#include <string>

// Why the file `path` cannot be written: its directory is missing, is not a
// directory or may not be written, or the name is a directory or a file the
// user may not write (the system's words). Empty when it can be.
std::string output_place_problem(const std::string& path);

// Why an experiment name cannot be used, or empty: a name with a '/' or that is
// ".." would put the plot files outside the solver directory.
std::string experiment_name_problem(const std::string& name);

// Throws InputError with the option, the path and the reason when an output of
// the command line (-o and its CSV file, -d, -O, -j, -T, the plot files of -s)
// cannot be written, when -E would leave the solver directory, or when an
// output is an input or another output. Options not given are passed over.
void check_output_places(int argc, char** argv);

#endif
