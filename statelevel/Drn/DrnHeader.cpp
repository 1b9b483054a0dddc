// The header sections of a DRN file, up to @model.
#include <cstring>
#include <string>

#include "statelevel/Chain/PVNameCheck.h"
#include "statelevel/Drn/DrnReader.h"

bool DrnReader::fetch()
{
    if (put_back) {
        put_back = false;
        return true;
    }
    while (in.next())
        if (trim(in.text()).compare(0, 2, "//") != 0) return true;
    return false;
}

std::string DrnReader::sectionValue()
{
    if (!fetch()) return "";
    std::string value = trim(in.text());
    if (!value.empty() && value[0] == '@') {
        put_back = true;
        return "";
    }
    return value;
}

// Whether two words are equal apart from the case of their letters.
static bool sameWord(const std::string& a, const char* b)
{
    return a.size() == strlen(b) && strncasecmp(a.c_str(), b, a.size()) == 0;
}

void DrnReader::readSection(const std::string& line)
{
    if (line.compare(0, 6, "@type:") == 0) {
        std::string type = trim(line.substr(6));
        if (!sameWord(type, "CTMC"))
            in.fault(type.empty() ? line : type,
                     "the model is not a continuous-time Markov chain (@type: CTMC)");
        have_type = true;
    } else if (line == "@parameters") {
        std::string value = sectionValue();
        if (!value.empty()) in.fault(value, "parametric models cannot be solved");
    } else if (line == "@reward_models") {
        std::string value = sectionValue();
        LineWords w(value);
        std::string name;
        while (w.next(name)) {
            require_pv_name(in, names_seen, name);
            names_seen.pv_names.push_back(name);
            reward_names.push_back(name);
        }
        rewards.resize(reward_names.size());
        action_rates.resize(reward_names.size());
    } else if (line == "@nr_states" || line == "@nr_choices") {
        std::string value = sectionValue();
        int n = -1;
        if (!parse_index(value, n))
            in.fault(value.empty() ? line : value, "a count follows " + line);
        if (line == "@nr_states" && n < 1) in.fault(value, "a chain has at least one state");
        (line == "@nr_states" ? declared_states : declared_choices) = n;
    } else if (line.compare(0, 12, "@value_type:") == 0) {
        std::string type = trim(line.substr(12));
        if (!sameWord(type, "double"))
            in.fault(type.empty() ? line : type,
                     "only numbers can be solved (@value_type: double), not intervals or "
                     "parametric values");
    } else if (line == "@placeholders") {
        std::string value = sectionValue();
        if (!value.empty()) in.fault(value, "values given by placeholders cannot be solved");
    } else {
        // a section we do not use: its lines are passed over, and the run says so
        model.warnings.push_back("Warning: " + in.path() + ", line " + std::to_string(in.number()) +
                                 ": the section " + line + " is not used.");
        while (fetch())
            if (trim(in.text()).compare(0, 1, "@") == 0) {
                put_back = true;
                return;
            }
    }
}

void DrnReader::readHeader()
{
    for (;;) {
        if (!fetch()) in.faultAtEnd("the file ends before @model");
        std::string line = trim(in.text());
        if (line.empty()) continue;
        if (line[0] != '@')
            in.fault(line, "a header line starts with @ (the states follow @model)");
        if (line == "@model") break;
        readSection(line);
    }
    if (!have_type) in.fault("@model", "no \"@type: CTMC\" line before @model");
    if (declared_states < 0) in.fault("@model", "no @nr_states section before @model");
}
