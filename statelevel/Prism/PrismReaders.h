// Readers of the explicit files PRISM writes for a continuous-time Markov
// chain. Each adds to the model what its file holds and names the file in
// the model's list of files read; a malformed file is refused through
// chain_file_fault with its line and token.
#ifndef VELMAR_PRISMREADERS_H
#define VELMAR_PRISMREADERS_H

#include <string>
#include <vector>

#include "statelevel/Chain/ChainLineReader.h"
#include "statelevel/Chain/ChainModel.h"

// ".tra": "states transitions", then "source destination rate [action]" per
// transition, or in the row form "source rate:destination rate:destination ..."
// per source; the first transition line tells the form.
void read_prism_tra(const FileLines& path, ChainModel& model);
// The rows of a row-form ".tra" whose first line the reader has read.
void read_prism_tra_rows(ChainLineReader& in, ChainModel& model, int transitions);
// Whether a file is in the row form: the first line after its header (and
// after "#" lines) that has two words has a ':' in the second. False for a
// file without such a line.
bool prism_rows_form(const FileLines& path);
// ".sta": "(x,y,...)", then "state:(value,...)" per state in order; one PV per variable.
void read_prism_sta(const FileLines& path, ChainModel& model);
// ".lab": '0="init" 1="full" ...', then "state: label label ..."; one 0/1 PV per
// label; the first state labelled "init" becomes the initial state.
void read_prism_lab(const FileLines& path, ChainModel& model);
// The state number in word t, below n; what names it in a refusal ("source state").
int prism_state(ChainLineReader& in, const std::string& t, int n, const std::string& what);
// The "#" lines and the line "states entries" of a reward file; the name from a comment
// naming the structure (when named_in is not empty, a comment naming it otherwise than
// `name` is refused). Returns the entries; count is their word, for the caller's own limit.
int prism_reward_header(ChainLineReader& in, const ChainModel& model, std::string& name,
                        const std::string& named_in, std::string& count);
// The name in quotes of a comment line '# Reward structure "name"', or "".
std::string prism_structure_name(const std::string& line);
// ".srew": optional "#" comment lines (one may name the reward structure in
// quotes), "states entries", then "state reward" per entry. False when the
// file is absent; else the rewards per state, and the name from the comment
// (unchanged when no comment names it).
bool read_prism_srew(const FileLines& path, ChainModel& model, std::string& name,
                     std::vector<double>& values);
// ".trew": the same comment lines and header "states entries", then
// "source destination reward" per entry, or in the row form
// "source reward:destination reward:destination ...". Every entry must be a
// transition of the model. False when the file is absent; else per state the
// sum over its rewarded transitions of rate x reward, and the name as for
// ".srew"; when named_in (the file that named the structure) is not empty, a
// comment naming it otherwise is refused.
bool read_prism_trew(const FileLines& path, ChainModel& model, std::string& name,
                     const std::string& named_in, std::vector<double>& rate_part);
// One reward structure from its ".srew" and ".trew" files (either may be
// absent): one PV named from the files, else `fallback`, whose value in a
// state is its state reward plus its transitions' rate x reward. False when
// both files are absent.
bool read_prism_reward(const FileLines& srew, const FileLines& trew,
                       const std::string& fallback, ChainModel& model);

// ".pexp": the single file with the sections "# Transitions (CTMC)",
// "# States", "# Labels" and per reward structure '# Reward structure "name"'
// with "# State rewards" and "# Transition rewards", each section as the
// file of its own kind; the model as from the separate files.
ChainModel read_prism_pexp(const std::string& path);

#endif
