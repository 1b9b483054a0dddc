// The label file of a PRISM chain: one 0/1 PV per label, and the initial state.
#include <string>
#include <vector>

#include "statelevel/Chain/ChainLineReader.h"
#include "statelevel/Chain/PVNameCheck.h"
#include "statelevel/Prism/PrismReaders.h"

// Reads the first line, '0="init" 1="deadlock" ...', into the label names.
static std::vector<std::string> readLabelNames(ChainLineReader& in, const ChainModel& model)
{
    if (!in.nextContent("#")) in.faultAtEnd("the file is empty; its first line names the labels");
    std::vector<std::string> names;
    ChainModel seen;
    LineWords w(in.text());
    std::string word;
    while (w.next(word)) {
        size_t eq = word.find('=');
        int index = -1;
        if (eq == std::string::npos || !parse_index(word.substr(0, eq), index))
            in.fault(word, "a label is declared as number=\"name\"");
        if (index != (int)names.size())
            in.fault(word, "label number " + std::to_string(names.size()) + " was expected here");
        std::string name = word.substr(eq + 1);
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        require_pv_name(in, model, name);
        require_pv_name(in, seen, name);
        seen.pv_names.push_back(name);
        names.push_back(name);
    }
    return names;
}

// Reads "state: label label ..." into the indicator arrays.
static void readLabelledState(ChainLineReader& in, int n, std::vector<std::vector<double>>& marks)
{
    const std::string& line = in.text();
    size_t colon = line.find(':');
    std::string index = trim(line.substr(0, colon));
    int s = -1;
    if (colon == std::string::npos || !parse_index(index, s))
        in.fault(trim(line), "a state line reads state: label label ...");
    if (s >= n)
        in.fault(index, "the state is not below the number of states, " + std::to_string(n));
    LineWords w(line, colon + 1);
    std::string word;
    while (w.next(word)) {
        int label = -1;
        if (!parse_index(word, label) || label >= (int)marks.size())
            in.fault(word, "not the number of a declared label");
        marks[label][s] = 1.0;
    }
}

void read_prism_lab(const FileLines& path, ChainModel& model)
{
    ChainLineReader in(path);
    if (!in.openIfPresent()) return;
    model.files_read.push_back(path);
    std::vector<std::string> names = readLabelNames(in, model);
    std::vector<std::vector<double>> marks(names.size(),
                                           std::vector<double>(model.num_states, 0.0));
    while (in.nextContent("#")) readLabelledState(in, model.num_states, marks);
    for (size_t l = 0; l < names.size(); ++l) {
        if (names[l] != "init") continue;
        int first = -1, count = 0;
        for (int s = 0; s < model.num_states; ++s)
            if (marks[l][s] != 0.0 && count++ == 0) first = s;
        if (first >= 0) model.initial_state = first;
        if (count > 1)
            model.warnings.push_back("Warning: " + path.path + ": " + std::to_string(count) +
                                     " states are labelled init; the first, state " +
                                     std::to_string(first) + ", is the initial state.");
    }
    for (size_t l = 0; l < names.size(); ++l) model.addLabel(names[l], std::move(marks[l]));
}
