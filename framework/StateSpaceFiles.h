// The names a state space may be read from, whatever its format: no output may take one.
#ifndef VELMAR_STATESPACEFILES_H
#define VELMAR_STATESPACEFILES_H

#include <string>
#include <vector>

#include "framework/FileNames.h"

// Every file of every format the base name B may be read from, present or not:
// the flat B.arm, B.var, B.pvtype and B.det; PRISM's B.tra, B.sta, B.lab, B.srew,
// B.trew, B.pexp and the numbered reward files present (B1.srew, ...); the B.drn model.
std::vector<NamedFile> state_space_files(const std::string& base);

// The file that holds a model in each format the base name B may be read from, with the
// format's name: B.arm (flat), B.tra and B.pexp (PRISM), B.drn (DRN).
std::vector<NamedFile> model_files(const std::string& base);

// One line per file of model_files: its path, its format and "present" or the system's
// reason why it cannot be found ("No such file or directory").
std::string model_search_lines(const std::string& base);

#endif
