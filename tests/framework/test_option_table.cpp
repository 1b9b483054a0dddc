// The option table against what reads it (the parses), what a run does without an option
// (the defaults), what refuses a value, and what a person reads (the man page and the
// option table of doc/options.md).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "dss/DSSSolver.h"
#include "framework/CommandLine.h"
#include "framework/OptionTable.h"
#include "framework/velmar_getopt.h"

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string sourceFile(const std::string& name)
{
    return std::string(VELMAR_EXAMPLES) + "/../" + name;
}

// One way a document writes an option: "-o file", "-vN" or "-f".
struct Form {
    enum Kind { Bare, Separate, Attached } kind;
    std::string valueName;
    bool operator==(const Form& o) const { return kind == o.kind && valueName == o.valueName; }
};

// What a document says of an option: the forms of its heading and the text that follows.
struct Documented {
    std::vector<Form> forms;
    std::string text;
};

// Adds the forms of a heading's items ("-P name, -S name", "-v, -vN", "-h, --help", long
// options left out) to entries, and the text once to each letter.
void addForms(const std::string& heading, const std::string& text,
              std::map<char, Documented>& entries)
{
    std::istringstream items(heading);
    std::string letters;
    for (std::string item; std::getline(items, item, ',');) {
        item.erase(0, item.find_first_not_of(' '));
        if (item.size() < 2 || item[0] != '-' || item[1] == '-') continue;
        std::string rest = item.substr(2);
        Documented& d = entries[item[1]];
        if (rest.empty()) d.forms.push_back({Form::Bare, ""});
        else if (rest[0] == ' ') d.forms.push_back({Form::Separate, rest.substr(1)});
        else d.forms.push_back({Form::Attached, rest});
        if (letters.find(item[1]) == std::string::npos) d.text += text;
        letters += item[1];
    }
}

// Removes the font changes of roff text and turns "\-" into "-".
std::string plain(std::string text)
{
    for (const char* font : {"\\fI", "\\fR", "\\fB", "\\fP"})
        for (size_t at; (at = text.find(font)) != std::string::npos;) text.erase(at, 3);
    for (size_t at; (at = text.find("\\-")) != std::string::npos;) text.erase(at, 1);
    return text;
}

// A tag line such as `.BI \-P " name" ", " \-S " name"` as it is printed: "-P name, -S name".
std::string printedTag(const std::string& line)
{
    std::istringstream in(line);
    std::string macro;
    in >> macro;
    std::vector<std::string> words;
    for (char c; in >> std::ws && in.get(c);) {
        std::string w;
        if (c == '"') std::getline(in, w, '"');
        else {
            w = c;
            while (in.peek() != EOF && !std::isspace(in.peek())) w += (char)in.get();
        }
        words.push_back(w);
    }
    bool alternating = macro.size() == 3;  // .BI, .BR, .IB: the words are joined without space
    std::string printed;
    for (size_t i = 0; i < words.size(); ++i)
        printed += (i > 0 && !alternating ? " " : "") + words[i];
    return plain(printed);
}

// The options of the man page's OPTIONS section, from its .TP entries.
std::map<char, Documented> manPageOptions(const std::string& page)
{
    std::istringstream in(page);
    std::vector<std::string> lines;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(".SH", 0) == 0) inside = line == ".SH OPTIONS";
        else if (inside) lines.push_back(line);
    }
    std::map<char, Documented> entries;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] != ".TP") continue;
        std::string text;
        for (size_t k = i + 2; k < lines.size() && lines[k] != ".TP" && lines[k] != ".PP"; ++k)
            text += plain(lines[k]) + "\n";
        addForms(printedTag(lines[i + 1]), text, entries);
    }
    return entries;
}

// The rows of the option table of doc/options.md ("| `-v`, `-vN` | meaning | default |"),
// the default column as the text.
std::map<char, Documented> optionsPageOptions(const std::string& page)
{
    size_t start = page.find("\n## The options\n");
    size_t end = page.find("\n## ", start + 1);
    std::istringstream in(page.substr(start, end - start));
    std::map<char, Documented> entries;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("| `-", 0) != 0) continue;
        std::vector<std::string> cells;  // option, meaning, default
        std::istringstream row(line.substr(1));
        for (std::string cell; std::getline(row, cell, '|');)
            cells.push_back(cell.substr(1, cell.size() < 2 ? 0 : cell.size() - 2));
        if (cells.size() != 3) {
            ADD_FAILURE() << "not three cells: " << line;
            continue;
        }
        cells[0].erase(std::remove(cells[0].begin(), cells[0].end(), '`'), cells[0].end());
        addForms(cells[0], cells[2], entries);
    }
    return entries;
}

// The forms in which the table says a document must show o.
std::vector<Form> expectedForms(const OptionSpec& o)
{
    switch (o.value) {
    case OptionValue::None: return {{Form::Bare, ""}};
    case OptionValue::Required: return {{Form::Separate, o.valueName}};
    case OptionValue::Attached: return {{Form::Bare, ""}, {Form::Attached, o.valueName}};
    }
    return {};
}

// True when word stands in text with no letter, digit or point joined to it ("0" is in
// "default 0." and not in "0.001").
bool hasWord(const std::string& text, const std::string& word)
{
    std::string escaped = std::regex_replace(word, std::regex(R"([.()\[\]*+?^$|\\])"), R"(\$&)");
    return std::regex_search(text, std::regex(R"((^|[^\w.]))" + escaped + R"((?!\w|\.\w))"));
}

std::string lower(std::string text)
{
    for (char& c : text) c = (char)std::tolower((unsigned char)c);
    return text;
}

// Every option of dss in the document with the table's forms, its "required" and its default
// (mentioned with the word "default" in the man page, the default column of doc/options.md), and
// no option in the document that the table lacks.
void expectAgreement(const std::map<char, Documented>& doc, const std::string& name, bool optionsPage)
{
    for (const OptionSpec& o : optionTable()) {
        if ((o.programs & DssProgram) == 0) continue;
        auto found = doc.find(o.letter);
        if (found == doc.end()) {
            ADD_FAILURE() << name << " lacks -" << o.letter;
            continue;
        }
        const Documented& d = found->second;
        EXPECT_EQ(d.forms, expectedForms(o)) << name << ": -" << o.letter;
        std::string text = lower(d.text);
        if (optionsPage) {
            const char* wanted = o.required ? "required" : o.defaultValue ? o.defaultValue : "";
            EXPECT_EQ(text.rfind(wanted, 0), 0u)
                << name << " gives -" << o.letter << " the default \"" << d.text << "\"";
            EXPECT_TRUE(o.required || text != "required") << name << ": -" << o.letter;
        } else {
            EXPECT_EQ(text.find("(required)") != std::string::npos, o.required)
                << name << ": -" << o.letter;
            EXPECT_TRUE(o.defaultValue == nullptr ||
                        (text.find("default") != std::string::npos && hasWord(text, o.defaultValue)))
                << name << ": the default of -" << o.letter << " is " << o.defaultValue;
        }
    }
    for (const auto& entry : doc)
        EXPECT_NE(findOption(entry.first), nullptr) << name << " has -" << entry.first
                                                    << ", which the option table lacks";
}

}  // namespace

// The parses act on the same letters, with the same values, as they always have.
TEST(OptionTable, ParsesKeepTheirOptionStrings)
{
    EXPECT_EQ(optionString(OptionParse::StateLevel), "G:E:F:");
    EXPECT_EQ(optionString(OptionParse::Solver), "D:P:G:S:s:E:d:o:v::K:O:j:T:fV:N");
    EXPECT_EQ(optionString(OptionParse::Direct), "a:t:c:r:g:m:");
    EXPECT_EQ(optionString(OptionParse::OutputPlaces), "G:s:E:K:o:d:O:j:T:N");
    EXPECT_EQ(optionString(OptionParse::Names), "P:S:E:G:s:o:d:O:j:T:K:");
    EXPECT_STREQ(programOptionString(), "D:P:G:S:s:E:d:o:v::K:O:j:T:fha:t:c:r:g:m:F:V:N");
}

// A letter with two rows would be read one way by the parses and another by the check; a row
// that no parse acts on would be an option that is taken and does nothing.
TEST(OptionTable, EveryLetterHasOneRowAndEveryRowIsActedOn)
{
    std::string owned;
    for (OptionParse parse : {OptionParse::StateLevel, OptionParse::Solver, OptionParse::Direct})
        owned += optionParseLetters(parse);
    std::string seen;
    for (const OptionSpec& o : optionTable()) {
        EXPECT_EQ(seen.find(o.letter), std::string::npos) << "-" << o.letter << " twice";
        seen += o.letter;
        EXPECT_NE(o.letter, ':');
        EXPECT_EQ(o.valueName == nullptr, o.value == OptionValue::None) << "-" << o.letter;
        EXPECT_NE(o.programs & DssProgram, 0u) << "-" << o.letter;
        // the command-line check itself acts on -h
        EXPECT_TRUE(o.letter == 'h' || owned.find(o.letter) != std::string::npos)
            << "no parse acts on -" << o.letter;
        EXPECT_TRUE(o.check != ValueCheck::Integer || o.low <= o.high) << "-" << o.letter;
    }
    for (OptionParse parse : allOptionParses) {
        EXPECT_NO_THROW(optionString(parse));
        for (const char* at = optionParseLetters(parse); *at; ++at)
            EXPECT_NE(findOption(*at), nullptr) << "-" << *at;
    }
    EXPECT_EQ(findOption('x'), nullptr);
    EXPECT_EQ(velmar_option_arity('v'), 2);
    EXPECT_EQ(velmar_option_arity('c'), 1);
}

// Each default of the table, given on the command line, leaves the run as it is without it.
TEST(OptionTable, DefaultsAreWhatARunTakesWithoutTheOption)
{
    std::vector<std::string> words = {"dss"};
    for (const OptionSpec& o : optionTable()) {
        if (o.defaultValue == nullptr) continue;
        if (o.value == OptionValue::Attached) {
            words.push_back(std::string("-") + o.letter + o.defaultValue);
        } else {
            words.push_back(std::string("-") + o.letter);
            words.push_back(o.defaultValue);
        }
        EXPECT_EQ(optionValueProblem(o.letter, o.defaultValue), "") << "-" << o.letter;
    }
    ASSERT_GT(words.size(), 6u);
    std::vector<char*> given;
    for (std::string& w : words) given.push_back(&w[0]);
    given.push_back(nullptr);
    char* bare[] = {(char*)"dss", nullptr};
    DSSSolver with(nullptr, (int)given.size() - 1, given.data());
    DSSSolver without(nullptr, 1, bare);
    // 10 divided out nine times is not the nearest double to 1e-9
    EXPECT_DOUBLE_EQ(with.accuracy, without.accuracy);
    EXPECT_EQ(with.tolerance, without.tolerance);
    EXPECT_EQ(with.searchRows, without.searchRows);
    EXPECT_EQ(with.stability, without.stability);
    EXPECT_EQ(with.verbosity, without.verbosity);
    EXPECT_EQ(with.method, without.method);
}

// Every integer is taken at both ends of its range and refused one past either; a value that
// may only be attached may also be left out.
TEST(OptionTable, IntegerRangesAreWhatTheCheckRefuses)
{
    for (const OptionSpec& o : optionTable()) {
        if (o.check != ValueCheck::Integer) continue;
        for (long v : {o.low, o.high})
            EXPECT_EQ(optionValueProblem(o.letter, std::to_string(v).c_str()), "") << o.letter;
        for (long v : {o.low - 1, o.high + 1})
            EXPECT_NE(optionValueProblem(o.letter, std::to_string(v).c_str()), "") << o.letter;
        EXPECT_EQ(optionValueProblem(o.letter, nullptr) == "", o.value == OptionValue::Attached);
    }
    EXPECT_EQ(optionValueProblem('o', ""), "");  // a value nobody checks is taken as it is
    EXPECT_NE(optionValueProblem('j', ""), "");
}

// The man page's OPTIONS section and the table: every option with its value's name, the
// required ones said to be required, the defaults named; no option that the table lacks.
TEST(OptionTable, ManPageListsTheTablesOptions)
{
    std::map<char, Documented> man = manPageOptions(readText(sourceFile("doc/dss.1")));
    ASSERT_GT(man.size(), 10u);
    expectAgreement(man, "the man page", false);
}

TEST(OptionTable, OptionsPageListsTheTablesOptions)
{
    std::map<char, Documented> page = optionsPageOptions(readText(sourceFile("doc/options.md")));
    ASSERT_GT(page.size(), 10u);
    expectAgreement(page, "doc/options.md", true);
}
