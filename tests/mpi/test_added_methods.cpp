// The methods a program adds to those of dss: known to -m by their name, made with the
// run's settings, and the default of a run without -m when the program says so.
#include <gtest/gtest.h>

#include "dss/AddedMethods.h"
#include "dss/ChainSolver.h"

namespace {

class Fixed : public SolutionMethod {
public:
    explicit Fixed(double accuracy) : accuracy(accuracy) {}
    const char* name() const override { return "fixed"; }
    bool solve(const Generator&, std::vector<double>& pi, SolveAttempt&) override
    {
        pi.assign(1, accuracy);
        return true;
    }
    double accuracy;
};

}  // namespace

TEST(AddedMethods, AnAddedMethodIsKnownByNameAndMayBecomeTheDefault)
{
    EXPECT_EQ(defaultMethod(), "lu");
    EXPECT_FALSE(knownMethod("first"));
    EXPECT_EQ(addedMethod("first"), nullptr);
    auto maker = [](const MethodSettings& s) { return std::make_unique<Fixed>(s.accuracy); };
    addMethod("first", maker, false);
    EXPECT_TRUE(knownMethod("first"));
    EXPECT_EQ(defaultMethod(), "lu");
    addMethod("second", maker, true);
    EXPECT_EQ(defaultMethod(), "second");
    EXPECT_EQ(addedMethodNames(), (std::vector<std::string>{"first", "second"}));
    // the maker gets the run's settings
    MethodSettings s;
    s.accuracy = 1e-5;
    std::unique_ptr<SolutionMethod> m = addedMethod("second")(s);
    std::vector<double> pi;
    SolveAttempt a;
    ASSERT_TRUE(m->solve(Generator(), pi, a));
    EXPECT_EQ(pi, std::vector<double>{1e-5});
    // the methods of dss stay as they were
    for (const char* name : {"lu", "gth", "ilu", "gs", "auto"}) EXPECT_TRUE(knownMethod(name)) << name;
    EXPECT_FALSE(knownMethod("third"));
}
