// Options are found anywhere, argv keeps its order, and the environment has no say.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "framework/velmar_getopt.h"

namespace {

typedef std::vector<std::pair<char, std::string>> Seen;

// Owns a mutable argv built from words.
struct Argv {
    std::vector<std::string> words;
    std::vector<char*> ptrs;
    explicit Argv(std::vector<std::string> w) : words(std::move(w))
    {
        for (std::string& s : words) ptrs.push_back(&s[0]);
        ptrs.push_back(nullptr);
    }
    int argc() const { return (int)words.size(); }
    char** argv() { return ptrs.data(); }
};

// Every result of one parse, value "<null>" for an option without one.
Seen parse(Argv& a, const char* optstring)
{
    Seen seen;
    velmar_parse(a.argc(), a.argv(), optstring, [&](int c, const char* v) {
        seen.emplace_back((char)c, v ? v : "<null>");
    });
    return seen;
}

Seen known(const Seen& all, const std::string& letters)
{
    Seen k;
    for (auto& p : all)
        if (letters.find(p.first) != std::string::npos) k.push_back(p);
    return k;
}

}  // namespace

TEST(OptionScanning, FindsOptionsBetweenOtherWordsAndKeepsArgvOrder)
{
    Argv a({"dss", "word1", "-G", "dir/", "word2", "-P", "proj", "-E", "exp", "tail"});
    std::vector<char*> before = a.ptrs;
    Seen g = known(parse(a, "G:E:"), "GE");
    EXPECT_EQ(g, (Seen{{'G', "dir/"}, {'E', "exp"}}));
    EXPECT_EQ(a.ptrs, before);
    // a second parse with another option string sees the same command line
    Seen p = known(parse(a, "P:"), "P");
    EXPECT_EQ(p, (Seen{{'P', "proj"}}));
    EXPECT_EQ(a.ptrs, before);
}

TEST(OptionScanning, RepeatedLettersAreEachReported)
{
    Argv a({"dss", "-G", "first/", "-G", "second/"});
    EXPECT_EQ(known(parse(a, "G:E:"), "G"), (Seen{{'G', "first/"}, {'G', "second/"}}));
}

// Every parser knows which letters of the whole program take a value and skips those values:
// an attached value is never read as more letters (-dExp2 used to set E, -Kcomments.txt c,
// -Dehost1 the tolerance), and a separate value word never hides the next option.
TEST(OptionScanning, ValuesOfAnotherParsersLettersAreSkipped)
{
    Argv a({"dss", "-dExp2"});
    EXPECT_EQ(parse(a, "G:E:"), Seen{});
    Argv k({"dss", "-Kcomments.txt"});
    EXPECT_EQ(parse(k, "a:t:c:r:g:"), Seen{});
    Argv d({"dss", "-Dehost1", "-Dshost", "-a", "5", "-Ftwo", "-mgmres", "-t", "0.5"});
    EXPECT_EQ(parse(d, "a:t:c:r:g:"), (Seen{{'a', "5"}, {'t', "0.5"}}));
    Argv g({"dss", "-a", "-Gx", "-t1", "-Eexp"});
    EXPECT_EQ(parse(g, "G:E:"), (Seen{{'E', "exp"}}));
    // only the parser's own letters reach it; an unknown letter is passed over alone
    Argv u({"dss", "-xGdir/", "-P", "p"});
    EXPECT_EQ(parse(u, "G:E:"), (Seen{{'G', "dir/"}}));
}

TEST(OptionScanning, ProgramTableGivesEachLettersValueKind)
{
    EXPECT_EQ(velmar_option_arity('t'), 1);
    EXPECT_EQ(velmar_option_arity('m'), 1);
    EXPECT_EQ(velmar_option_arity('F'), 1);
    EXPECT_EQ(velmar_option_arity('v'), 2);
    EXPECT_EQ(velmar_option_arity('f'), 0);
    EXPECT_EQ(velmar_option_arity('h'), 0);
    EXPECT_EQ(velmar_option_arity('x'), 0);
    EXPECT_EQ(velmar_option_arity(':'), 0);
}

TEST(OptionScanning, OptionalValuesAreTakenOnlyWhenAttached)
{
    Argv a({"dss", "-v", "3", "-v4"});
    EXPECT_EQ(known(parse(a, "v::"), "v"), (Seen{{'v', "<null>"}, {'v', "4"}}));
}

TEST(OptionScanning, AValueWordIsConsumedEvenWhenItLooksLikeAnOption)
{
    Argv a({"dss", "-c", "-t", "0.5"});
    EXPECT_EQ(known(parse(a, "a:t:c:r:g:"), "tc"), (Seen{{'c', "-t"}}));
}

TEST(OptionScanning, DoubleDashAndLoneDashArePassedOver)
{
    Argv a({"dss", "--", "-G", "dir/", "-", "-E", "e"});
    EXPECT_EQ(known(parse(a, "G:E:"), "GE"), (Seen{{'G', "dir/"}, {'E', "e"}}));
}

TEST(OptionScanning, MissingValueAtTheEndIsIgnored)
{
    Argv a({"dss", "-E", "e", "-G"});
    EXPECT_EQ(known(parse(a, "G:E:"), "GE"), (Seen{{'E', "e"}}));
}

TEST(OptionScanning, ResultsDoNotDependOnPosixlyCorrect)
{
    std::vector<std::string> words = {"dss", "x", "-G", "d/", "y", "-v", "-E", "e", "-c", "z"};
    Argv plain(words);
    unsetenv("POSIXLY_CORRECT");
    Seen without = parse(plain, "G:E:v::c:");
    setenv("POSIXLY_CORRECT", "1", 1);
    Argv strict(words);
    Seen with = parse(strict, "G:E:v::c:");
    unsetenv("POSIXLY_CORRECT");
    EXPECT_EQ(with, without);
    EXPECT_EQ(known(without, "GEvc"),
              (Seen{{'G', "d/"}, {'v', "<null>"}, {'E', "e"}, {'c', "z"}}));
}

TEST(Strsep, SplitsAtEitherSeparatorAndEndsWithNull)
{
    char text[] = "a/b\\c";
    char* p = text;
    EXPECT_STREQ(strsep(&p, "/\\"), "a");
    EXPECT_STREQ(strsep(&p, "/\\"), "b");
    EXPECT_STREQ(strsep(&p, "/\\"), "c");
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(strsep(&p, "/\\"), nullptr);
    char empty[] = "";
    p = empty;
    EXPECT_STREQ(strsep(&p, "/\\"), "");
    EXPECT_EQ(p, nullptr);
}
