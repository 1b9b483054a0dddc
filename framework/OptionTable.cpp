// The program's options and the parses that read them.
#include "framework/OptionTable.h"

#include <stdexcept>

namespace {

const unsigned bothPrograms = DssProgram | DssMpiProgram;
const long int32Low = -2147483648L, int32High = 2147483647L;

}  // namespace

const std::vector<OptionSpec>& optionTable()
{
    // letter, value, check, low, high, note, value name, default, required, help, programs
    static const std::vector<OptionSpec> table = {
        {'D', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "value", nullptr, false,
         "[-D <switch>]: results-database switch (e<entity>, s<host> or i<index>)\n", bothPrograms},
        {'P', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "name", nullptr, true, nullptr,
         bothPrograms},
        {'G', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "dir/", nullptr, true,
         "-G and -s may also name an existing directory without the closing slash\n", bothPrograms},
        {'S', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "name", nullptr, true, nullptr,
         bothPrograms},
        {'s', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "dir/", nullptr, true, nullptr,
         bothPrograms},
        {'E', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "name", nullptr, true, nullptr,
         bothPrograms},
        {'d', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "file", nullptr, false, nullptr,
         bothPrograms},
        {'o', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "file", nullptr, false, nullptr,
         bothPrograms},
        // -v 3 is -v alone followed by the word 3
        {'v', OptionValue::Attached, ValueCheck::Integer, int32Low, int32High, nullptr, "N", "0",
         false, nullptr, bothPrograms},
        {'K', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "file", nullptr, false, nullptr,
         bothPrograms},
        {'O', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "file", nullptr, false, nullptr,
         bothPrograms},
        {'j', OptionValue::Required, ValueCheck::FileName, 0, 0, nullptr, "file", nullptr, false,
         "[-j <JSON results filename>]\n", bothPrograms},
        {'T', OptionValue::Required, ValueCheck::FileName, 0, 0, nullptr, "file", nullptr, false,
         "[-T <tidy CSV filename>]: the PVs as one table with the header pv,value,probability: a row\n"
         "      per value of each PV, and rows whose value is mean or variance for its moments\n",
         bothPrograms},
        {'f', OptionValue::None, ValueCheck::Any, 0, 0, nullptr, nullptr, nullptr, false,
         "[-f]: write the probabilities of the CSV file and the state probability file\n"
         "      with 17 significant digits\n",
         bothPrograms},
        {'h', OptionValue::None, ValueCheck::Any, 0, 0, nullptr, nullptr, nullptr, false,
         "-h, --help: this text; --version: the program's version\n", bothPrograms},
        // 10^-N stays a positive normal number: the accuracy is never 0 or infinite; and it stays
        // below 1, since an accuracy of 1 or more would pass any vector as a solution
        {'a', OptionValue::Required, ValueCheck::Integer, 1, 307,
         "the accuracy is 10 to the power minus it", "N", "9", false, nullptr, bothPrograms},
        {'t', OptionValue::Required, ValueCheck::Tolerance, 0, 0, nullptr, "X", "0.001", false,
         nullptr, bothPrograms},
        // the value is taken and never read: -c -t 0.5 leaves the tolerance as it is
        {'c', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "word", nullptr, false, nullptr,
         bothPrograms},
        {'r', OptionValue::Required, ValueCheck::Integer, int32Low, int32High, nullptr, "N", "0",
         false,
         "-r and -g pivot: each pivot search and column exchange walks every row, so the time grows\n"
         "      with the square of the states (a 10^4-state tandem: 17 s with -r 16 -g 4, 0.07 s without)\n",
         bothPrograms},
        {'g', OptionValue::Required, ValueCheck::Integer, -32768, 32767, nullptr, "N", "0", false,
         nullptr, bothPrograms},
        // dss-mpi adds a method of its own and makes it the default (its --help says so)
        {'m', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "method", "lu", false,
         "[-m <method>]: lu (the default's factorisation, without its fill budget), gth, ilu, gs,\n"
         "      mla or auto; without -m large chains whose factors would fill in go on as auto\n",
         bothPrograms},
        {'F', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "format", nullptr, false,
         "[-F <format>]: flat, prism or drn; found from the files present when not given\n",
         bothPrograms},
        // PV names are separated by commas; each must be one the run evaluates
        {'V', OptionValue::Required, ValueCheck::Any, 0, 0, nullptr, "names", nullptr, false,
         "[-V <PV name>[,<PV name>...]]: evaluate and plot only these PVs\n", bothPrograms},
        {'N', OptionValue::None, ValueCheck::Any, 0, 0, nullptr, nullptr, nullptr, false,
         "[-N]: write no plot files\n", bothPrograms},
    };
    return table;
}

const OptionSpec* findOption(char letter)
{
    for (const OptionSpec& o : optionTable())
        if (o.letter == letter) return &o;
    return nullptr;
}

const char* optionParseLetters(OptionParse parse)
{
    switch (parse) {
    case OptionParse::StateLevel: return "GEF";
    case OptionParse::Solver: return "DPGSsEdovKOjTfVN";
    case OptionParse::Direct: return "atcrgm";
    case OptionParse::OutputPlaces: return "GsEKodOjTN";
    case OptionParse::Names: return "PSEGsodOjTK";
    }
    return "";
}

// The letter with its value's mark in getopt form.
static std::string described(const OptionSpec& o)
{
    std::string text(1, o.letter);
    if (o.value == OptionValue::Required) text += ":";
    else if (o.value == OptionValue::Attached) text += "::";
    return text;
}

std::string optionString(OptionParse parse)
{
    std::string text;
    for (const char* at = optionParseLetters(parse); *at != '\0'; ++at) {
        const OptionSpec* o = findOption(*at);
        if (o == nullptr)
            throw std::logic_error(std::string("a parse reads -") + *at + ", which is no option");
        text += described(*o);
    }
    return text;
}

const char* programOptionString()
{
    static const std::string text = [] {
        std::string all;
        for (const OptionSpec& o : optionTable()) all += described(o);
        return all;
    }();
    return text.c_str();
}

std::string optionHelp(OptionProgram program)
{
    std::string text, last;
    for (const OptionSpec& o : optionTable()) {
        if (o.help == nullptr || (o.programs & program) == 0) continue;
        (o.letter == 'h' ? last : text) += o.help;
    }
    return text + last;
}
