// The model of a one-file run: `dss dir/E.arm` stands for -G dir/ -E E -F flat, with the
// project and study named E and the outputs in the current directory.
#ifndef VELMAR_MODELFILE_H
#define VELMAR_MODELFILE_H

#include <string>
#include <vector>

// The format whose model file the word names: "flat" for E.arm, "prism" for E.tra and E.pexp,
// "drn" for E.drn; empty for any other word.
std::string model_file_format(const std::string& word);

// The command line of a one-file run: argv with its word at index `model` replaced by -G with
// the word's directory ("./" when it has none), -E with its last name less the format's ending
// and, unless -F is among the `letters` given, -F with the format; then -P and -S with the
// experiment name and -s ./ for those not given. A word with no format's ending is the base
// name of the model, whose format is found from the files present. Throws InputError when the
// word names no file name, a model file that cannot be found (with every file looked for), or
// PRISM's single file E.pexp beside the E.tra that would be read instead.
std::vector<std::string> one_file_words(int argc, char** argv, int model, const std::string& letters);

#endif
