// PRISM's single-file export, B.pexp: the contents of B.tra, B.sta, B.lab and
// of each structure's .srew and .trew in one file, each after a title line.
// Every section is read by the reader of its own file, over its lines only,
// so that a refusal names the line of B.pexp.
#include <string>
#include <vector>

#include "statelevel/Chain/ChainLineReader.h"
#include "statelevel/Chain/chain_file_fault.h"
#include "statelevel/Prism/PrismReaders.h"

namespace {

// The lines of one section: those after its title up to the next title.
struct Section {
    long title = 0; // line of the title; 0: the file has no such section
    long last = 0;
    bool present() const { return title > 0; }
};

struct Structure {
    std::string name;
    long title = 0;
    Section states, transitions;
};

struct Layout {
    Section transitions, states, labels;
    std::vector<Structure> structures;
};

// The text of a "#" line after the "#", without blanks at either end.
std::string titleText(const std::string& line) { return trim(trim(line).substr(1)); }

bool startsWith(const std::string& s, const char* prefix)
{
    return s.compare(0, std::string(prefix).size(), prefix) == 0;
}

// Opens the section of that title at the reader's line; refuses a second one.
void open(ChainLineReader& in, Section& s, Section*& current, const std::string& title)
{
    if (s.present()) in.fault(title, "a second section of this title");
    s.title = in.number();
    current = &s;
}

// Finds the sections; "#" lines before the first title are comments.
Layout readLayout(const std::string& path, ChainModel& model)
{
    ChainLineReader in(path);
    in.openOrFault();
    Layout layout;
    Section* current = nullptr;
    Section passedOver;         // a section not read: an unknown one, or a structure's title
    bool structureHead = false; // after "# Reward structure", before its parts
    while (in.next()) {
        std::string t = trim(in.text());
        if (t.empty()) continue;
        if (t[0] != '#') {
            if (current == nullptr)
                in.fault(t, "the lines of a .pexp file follow a section title such as "
                            "\"# Transitions (CTMC)\"");
            if (structureHead)
                in.fault(t, "a reward structure's lines follow \"# State rewards\" or "
                            "\"# Transition rewards\"");
            continue;
        }
        std::string title = titleText(t);
        bool known = startsWith(title, "Transitions") || title == "States" || title == "Labels" ||
                     startsWith(title, "Reward structure") || title == "State rewards" ||
                     title == "Transition rewards";
        if (!known && current == nullptr) continue;  // a comment before the first section
        if (current != nullptr) current->last = in.number() - 1;
        bool inStructure = structureHead;
        structureHead = false;
        if (startsWith(title, "Transitions")) {
            if (title != "Transitions (CTMC)")
                in.fault(title, "the model is not a continuous-time Markov chain "
                                "(# Transitions (CTMC))");
            open(in, layout.transitions, current, title);
        } else if (title == "States") {
            open(in, layout.states, current, title);
        } else if (title == "Labels") {
            open(in, layout.labels, current, title);
        } else if (startsWith(title, "Reward structure")) {
            Structure s;
            s.name = prism_structure_name(t);
            if (s.name.empty()) s.name = "reward" + std::to_string(layout.structures.size() + 1);
            s.title = in.number();
            layout.structures.push_back(s);
            passedOver = Section();
            current = &passedOver;
            structureHead = true;
        } else if (known) {
            // a part of the structure whose title or other part came last
            Structure* s = layout.structures.empty() ? nullptr : &layout.structures.back();
            if (s == nullptr ||
                !(inStructure || current == &s->states || current == &s->transitions))
                in.fault(title, "a reward part outside a \"# Reward structure\" section");
            open(in, title == "State rewards" ? s->states : s->transitions, current, title);
        } else {
            model.warnings.push_back("Warning: " + path + ", line " + std::to_string(in.number()) +
                                     ": the section \"" + t + "\" is not used.");
            passedOver = Section();
            current = &passedOver;
        }
    }
    if (current != nullptr) current->last = in.number();
    if (!layout.transitions.present())
        in.faultAtEnd("the file has no \"# Transitions (CTMC)\" section");
    return layout;
}

FileLines lines(const std::string& path, const Section& s)
{
    return s.present() ? FileLines(path, s.title + 1, s.last) : FileLines(std::string());
}

}  // namespace

ChainModel read_prism_pexp(const std::string& path)
{
    ChainModel model;
    Layout layout = readLayout(path, model);
    read_prism_tra(lines(path, layout.transitions), model);
    if (layout.states.present()) read_prism_sta(lines(path, layout.states), model);
    if (layout.labels.present()) read_prism_lab(lines(path, layout.labels), model);
    for (const Structure& s : layout.structures)
        if (!read_prism_reward(lines(path, s.states), lines(path, s.transitions), s.name, model))
            model.warnings.push_back("Warning: " + path + ", line " + std::to_string(s.title) +
                                     ": the reward structure \"" + s.name +
                                     "\" has neither state nor transition rewards; it is not a PV.");
    model.files_read = {path};
    return model;
}
