// Readers of the explicit files PRISM writes for a continuous-time Markov
// chain. Each adds to the model what its file holds and names the file in
// the model's list of files read; a malformed file is refused through
// chain_file_fault with its line and token.
#ifndef VELMAR_PRISMREADERS_H
#define VELMAR_PRISMREADERS_H

#include <string>

#include "statelevel/Chain/ChainModel.h"

// ".tra": "states transitions", then "source destination rate [action]" per transition.
void read_prism_tra(const std::string& path, ChainModel& model);
// ".sta": "(x,y,...)", then "state:(value,...)" per state in order; one PV per variable.
void read_prism_sta(const std::string& path, ChainModel& model);
// ".lab": '0="init" 1="full" ...', then "state: label label ..."; one 0/1 PV per
// label; the first state labelled "init" becomes the initial state.
void read_prism_lab(const std::string& path, ChainModel& model);
// ".srew": optional "#" comment lines (one may name the reward structure in
// quotes), "states entries", then "state reward" per entry; one PV named
// after the structure, or `fallback` when no comment names it.
void read_prism_srew(const std::string& path, const std::string& fallback, ChainModel& model);

#endif
