// The command line as a person or a script types it: values that belong to other letters,
// long options, values out of range, help, version and letters no parser knows.
#include <gtest/gtest.h>

#include <sstream>

#include <fstream>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/CommandLine.h"
#include "framework/OptionTable.h"
#include "tests/support/program_under_test.h"

namespace {

const std::string USAGE =
    "Options:\n-P <project name>\n-S <study name>\n-E <experiment name>\n"
    "-G <SSG path>: must end with a slash\n-s <solver path>: must end with a slash\n"
    "[-d <debug filename>]\n[-o <output filename>]\n[-v <verbosity level>]\n"
    "[-K <comment filename>]\n[-O <state probability filename>]\n"
    "[-a <# of decimal precision>] [-t <tolerance>] [-c]\n"
    "[-g <stability>] [-r <# of rows to search for pivot>]\n";

// A two-state model in its own directory and an empty solver directory.
struct Model {
    TempDir model, solver;
    Model()
    {
        model.write("two.arm", "1 2\n1 2 1.0 0\n2 1 3.0 0\n");
        model.write("two.var", "Up\n1 0 1\n2 0 0\n");
        model.write("two.pvtype", "Version:1\nNumPV:1\nName:Up\nType:3\nNumTimes:0\n");
    }
    std::vector<std::string> args(std::vector<std::string> extra) const
    {
        std::vector<std::string> a = {"-P", "p", "-S", "s", "-E", "two", "-G", model.dir(),
                                      "-s", solver.dir()};
        a.insert(a.end(), extra.begin(), extra.end());
        return a;
    }
    bool solverDirEmpty() const { return std::filesystem::is_empty(solver.path); }
};

}  // namespace

// -Dehost1 used to set the tolerance to 1 and -Dshost swallowed the -a after it.
TEST(CommandLine, DatabaseSwitchValuesNoLongerSetSolverOptions)
{
    Model s;
    ProgramResult r = run_dss(s.args({"-Dehost1", "-Dshost", "-a", "5"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Accuracy: 1.000000e-05\nTolerance: 1.000000e-03\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(r.err, "");
}

// -o r.txt --tolerance 1e-6 used to write the report to a file named "lerance".
TEST(CommandLine, LongOptionsAreRefusedWithTheUsageText)
{
    Model s;
    ProgramResult r = run_dss(s.args({"-o", "r.txt", "--tolerance", "1e-6"}),
                                  s.solver.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: unknown option \"--tolerance\": the options of dss are single "
                     "letters.\n" + USAGE);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(s.solverDirEmpty());
    // "--" itself is passed over, and a word that is an option's value is not an option
    ProgramResult dashes = run_dss(s.args({"--", "-c", "--x"}));
    EXPECT_EQ(dashes.status, 0) << dashes.err;
}

TEST(CommandLine, ValuesOutOfRangeAreRefusedBeforeAnythingIsWritten)
{
    struct Case {
        std::string letter, value, wanted;
    };
    const std::string number = "a finite number not below 0";
    const std::string digits = "an integer from 1 to 307 (the accuracy is 10 to the power minus it)";
    for (const Case& c : {Case{"-t", "abc", number}, Case{"-t", "0.5x", number},
                          Case{"-t", "-1", number}, Case{"-t", "inf", number},
                          Case{"-t", "", number}, Case{"-a", "400", digits},
                          Case{"-a", "1.5", digits}, Case{"-a", "x", digits},
                          // an accuracy of 1 or more would let any vector pass the check
                          Case{"-a", "0", digits}, Case{"-a", "-3", digits},
                          Case{"-g", "70000", "an integer from -32768 to 32767"},
                          Case{"-r", "99999999999", "an integer from -2147483648 to 2147483647"}}) {
        Model s;
        ProgramResult r = run_dss(s.args({"-o", s.solver.file("r.txt"), c.letter,
                                                          c.value}));
        EXPECT_EQ(r.status, 1) << c.letter << " " << c.value;
        EXPECT_EQ(r.err, "Error: option " + c.letter + ": the value \"" + c.value + "\" is not " +
                             c.wanted + ".\n");
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(s.solverDirEmpty()) << c.letter << " " << c.value;
    }
    Model s;
    ProgramResult v = run_dss(s.args({"-v2x"}));
    EXPECT_EQ(v.status, 1);
    EXPECT_EQ(v.err, "Error: option -v: the value \"2x\" is not an integer written right after "
                     "the letter.\n");
}

TEST(CommandLine, ValuesAtTheEdgesOfTheirRangesAreAccepted)
{
    for (const char* letter : {"t", "r", "g", "v"})
        EXPECT_EQ(optionValueProblem(letter[0], "0"), "") << letter;
    EXPECT_EQ(optionValueProblem('a', "1"), "");
    EXPECT_EQ(optionValueProblem('a', "307"), "");
    EXPECT_NE(optionValueProblem('a', "308"), "");
    EXPECT_EQ(optionValueProblem('t', "1e-300"), "");
    EXPECT_EQ(optionValueProblem('r', "-2147483648"), "");
    EXPECT_NE(optionValueProblem('r', "2147483648"), "");
    EXPECT_EQ(optionValueProblem('g', "-32768"), "");
    EXPECT_NE(optionValueProblem('g', "32768"), "");
    EXPECT_EQ(optionValueProblem('v', nullptr), "");
    EXPECT_NE(optionValueProblem('t', " 1"), "");
    Model s;
    ProgramResult r = run_dss(s.args({"-a", "1", "-r", "-1", "-g", "32767"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Accuracy: 1.000000e-01\n"), std::string::npos);
}

TEST(CommandLine, HelpAndVersionGoToStandardOutputWithStatusZero)
{
    for (const char* word : {"-h", "--help"}) {
        TempDir cwd;
        ProgramResult r = run_dss({"-P", "p", word, "-t", "abc"}, cwd.path);
        EXPECT_EQ(r.status, 0) << word;
        EXPECT_EQ(r.out.find(USAGE), 0u) << r.out;
        EXPECT_NE(r.out.find("[-j <JSON results filename>]\n"), std::string::npos);
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(std::filesystem::is_empty(cwd.path));
    }
    ProgramResult v = run_dss({"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out, "Velmar " + program_name() + " Version 2.5\n");
    EXPECT_EQ(v.err, "");
}

// Every option of the table is named in --help and in the man page.
TEST(CommandLine, HelpAndManPageNameEveryOption)
{
    ProgramResult r = run_dss({"--help"});
    ASSERT_EQ(r.status, 0);
    std::ifstream in(std::string(VELMAR_EXAMPLES) + "/../doc/dss.1");
    std::stringstream man;
    man << in.rdbuf();
    ASSERT_FALSE(man.str().empty());
    auto names = [](const std::string& text, const std::string& letter) {
        for (size_t at = text.find(letter); at != std::string::npos; at = text.find(letter, at + 1)) {
            const char next = at + letter.size() < text.size() ? text[at + letter.size()] : ' ';
            if (next == ' ' || next == ']' || next == ',' || next == '"' || next == '\n') return true;
        }
        return false;
    };
    ASSERT_GT(optionTable().size(), 20u);
    for (const OptionSpec& o : optionTable()) {
        if ((o.programs & DssProgram) == 0) continue;
        const char c = o.letter;
        EXPECT_TRUE(names(r.out, std::string("-") + c)) << "--help lacks -" << c;
        EXPECT_TRUE(names(man.str(), std::string("\\-") + c)) << "the man page lacks -" << c;
    }
    // the formats a run reads and every exit status the man page gives
    for (const char* word : {"flat", "PRISM", "DRN", "0 after", "1 on", "130", "143", "129"})
        EXPECT_NE(r.out.find(word), std::string::npos) << "--help lacks " << word;
    const size_t exits = man.str().find(".SH EXIT STATUS");
    ASSERT_NE(exits, std::string::npos);
    for (const char* status : {".B 0\n", ".B 1\n", "130", "143", "129"})
        EXPECT_NE(man.str().find(status, exits), std::string::npos) << "the man page lacks " << status;
}

TEST(CommandLine, UnknownLettersAreNamedAndTheRunGoesOn)
{
    Model s;
    ProgramResult r = run_dss(s.args({"-x", "-Zq"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Warning: option -x is not known to dss; it is ignored.\n"
                     "Warning: option -Z is not known to dss; it is ignored.\n"
                     "Warning: option -q is not known to dss; it is ignored.\n");
    EXPECT_NE(r.out.find("DSSSolver done\n"), std::string::npos);
}

// What the parsers do not take as meant is said on standard error, naming the word; the run
// itself goes on as before.
TEST(CommandLine, WordsThatAreNotTakenAsMeantAreNamed)
{
    struct Case {
        std::vector<std::string> words;
        std::string err;
    };
    const std::string stray = "\" is neither an option nor an option's value; it is ignored.\n";
    for (const Case& c :
         {Case{{"-c", "-o", "r.txt"},
               "Warning: option -c took \"-o\" as its value; \"-o\" was not read as an option.\n"
               "Warning: the word \"r.txt" + stray},
          Case{{"-v", "3"},
               "Warning: the word \"3\" after -v is ignored: the value of -v is taken only when attached (-v3).\n"},
          Case{{"-fv", "2"},
               "Warning: the word \"2\" after -fv is ignored: the value of -v is taken only when attached (-v2).\n"},
          Case{{"-M", "auto"},
               "Warning: option -M is not known to dss; it is ignored (did you mean -m?).\n"
               "Warning: the word \"auto" + stray},
          // numbers may be negative, and a value attached to its letter is meant
          Case{{"-r", "-1", "-d-x", "-v", "-v1"}, ""}}) {
        Model s;
        ProgramResult r = run_dss(s.args(c.words), s.solver.path);
        EXPECT_EQ(r.status, 0) << c.words[0] << r.err;
        EXPECT_EQ(r.err, c.err) << c.words[0];
        EXPECT_NE(r.out.find("DSSSolver done\n"), std::string::npos) << c.words[0];
        EXPECT_FALSE(std::filesystem::exists(s.solver.file("r.txt")));
    }
}

// -s and -G name directories; a value that names none, nor a prefix in a directory that is
// there, is most likely a directory mistyped.
TEST(CommandLine, DirectoryValuesThatNameNoDirectoryAreNamed)
{
    Model s;
    ProgramResult typo = run_dss(s.args({"-s", "nodir2"}), s.solver.path);
    EXPECT_EQ(typo.status, 0) << typo.err;
    EXPECT_EQ(typo.err, "Warning: -s nodir2: no such directory; the value is taken as the start of the file names.\n");
    EXPECT_TRUE(std::filesystem::exists(s.solver.file("nodir2two.dss.Up.pdf.splot")));
    Model t;
    ProgramResult prefix = run_dss(t.args({"-s", t.solver.file("run1_")}));
    EXPECT_EQ(prefix.status, 0) << prefix.err;
    EXPECT_EQ(prefix.err, "");
    EXPECT_TRUE(std::filesystem::exists(t.solver.file("run1_two.dss.Up.cdf.splot")));
    // the model's directory without its slash is a directory; a missing one is named
    ProgramResult bare = run_dss(t.args({"-G", t.model.path}));
    EXPECT_EQ(bare.status, 0) << bare.err;
    EXPECT_EQ(bare.err, "");
    ProgramResult missing = run_dss(t.args({"-G", t.model.file("gone/two")}));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("Warning: -G " + t.model.file("gone/two") +
                                    ": no such directory; the value is taken as the start of the file names.\n",
                                0),
              0u)
        << missing.err;
}

// -K with an absolute path reads that file, not one under the solver directory; a comments
// file that cannot be read is named on standard error as well as in the report.
TEST(CommandLine, AnAbsoluteCommentsFileIsReadWhereItIs)
{
    Model s;
    TempDir notes;
    notes.write("notes.txt", "first trial of the two-state model\n");
    ProgramResult r = run_dss(s.args({"-K", notes.file("notes.txt")}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("first trial of the two-state model"), std::string::npos) << r.out;
    ProgramResult gone = run_dss(s.args({"-K", notes.file("gone.txt")}));
    EXPECT_EQ(gone.status, 0);
    EXPECT_EQ(gone.err, "Warning: cannot open comments file " + notes.file("gone.txt") + ": No such file or directory.\n");
    EXPECT_NE(gone.out.find(notes.file("gone.txt")), std::string::npos);
}

// dss-mpi reads the same one-file command line through the same run.
TEST(CommandLine, AModelFileAloneIsARun)
{
    Model s;
    ProgramResult r = run_dss({"-V", "Up", s.model.file("two.arm")}, s.solver.path);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // state 1 is left at rate 1 and entered at rate 3: up three quarters of the time
    EXPECT_NE(r.out.find("Performance variable :  Up\nMean                 :  7.500000e-01\n"), std::string::npos)
        << r.out;
    EXPECT_TRUE(std::filesystem::exists(s.solver.file("two.dss.Up.pdf.splot")));
}
