// The state-level factory: the base name is the -G path followed by the -E
// name; -F names the format, which is otherwise found from the files present.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/FileNames.h"
#include "framework/InputError.h"
#include "framework/StateSpaceFiles.h"
#include "framework/velmar_getopt.h"
#include "statelevel/StateSpaceFormat.h"

BaseStateLevel* BaseStateLevel::createStateLevelObject(int argc, char** argv)
{
    std::string path, experiment, formatName;
    bool formatGiven = false;
    velmar_parse(argc, argv, OptionParse::StateLevel, [&](int c, const char* value) {
        if (c == 'G') path = directory_value(value);
        else if (c == 'E') experiment = value;
        else if (c == 'F') {
            formatName = value;
            formatGiven = true;
        }
    });
    StateSpaceFormat format = StateSpaceFormat::Flat;
    if (formatGiven && !state_space_format_named(formatName, format)) {
        fprintf(stderr, "%s\n", unknown_format_text(formatName).c_str());
        exit(1);
    }
    std::string base = path + experiment;
    if (!base.empty() && !formatGiven && !state_space_format_present(base))
        throw InputError("Error reading file " + base + ".arm.\n", InputError::STANDARD_OUTPUT,
                         "No state space " + base + " in any format; looked for:\n" +
                             model_search_lines(base));
    if (!base.empty())
        return make_state_level(base, formatGiven ? format : state_space_format_found(base));
    printf("ERROR: no FlatStateLevel file provided.\n");
    fflush(stdout);
    return nullptr;
}
