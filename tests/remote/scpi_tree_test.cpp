// The command tree: patterns with optional nodes and suffixes, long and
// short forms, and the relative-path rule of compound messages.
#include "remote/scpi_status.h"
#include "remote/scpi_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scpi;

namespace
{

// A tree whose handlers record which pattern ran, with its suffixes.
class TreeTest : public ::testing::Test
{
protected:
    Tree tree;
    std::vector<std::string> calls;

    Handler Record(const std::string &name)
    {
        return [this, name](Context &c, const Params &) {
            std::string s = name;
            for (long n : c.suffixes)
                s += " " + std::to_string(n);
            calls.push_back(s);
            return c.query ? Result::Reply(name) : Result::Ok();
        };
    }

    void SetUp() override
    {
        ASSERT_TRUE(tree.Add("[:SOURce#(1-2)]:FREQuency[:CW]", Record("freq"), Record("freq?")));
        ASSERT_TRUE(tree.Add("[:SOURce#(1-2)]:VOLTage[:LEVel][:IMMediate][:AMPLitude]", Record("volt"),
                             Record("volt?")));
        ASSERT_TRUE(tree.Add(":CHANnel#(1-4):SCALe", Record("scale"), Record("scale?")));
        ASSERT_TRUE(tree.Add(":CHANnel#(1-4):OFFSet", Record("offset"), nullptr));
        ASSERT_TRUE(tree.Add(":TIMebase:SCALe", Record("tscale"), Record("tscale?")));
        ASSERT_TRUE(tree.Add(":TIMebase:POSition", Record("tpos"), nullptr));
        ASSERT_TRUE(tree.Add(":MEASure#:SOURce#", Record("msource"), nullptr));
        ASSERT_TRUE(tree.Add(":DIGital:D0", Record("d0"), nullptr));
        ASSERT_TRUE(tree.Add(":SINGle", Record("single"), nullptr));
        ASSERT_TRUE(tree.AddCommon("*RST", Record("rst"), nullptr));
    }

    // Resolves and runs a message; returns the error code.
    int Run(const std::string &message)
    {
        calls.clear();
        ParseResult parsed = ParseMessage(message);
        if (parsed.error)
            return parsed.error;
        std::vector<Resolved> units;
        std::string detail;
        const int error = tree.Resolve(std::move(parsed.units), units, detail);
        lastDetail = detail;
        if (error)
            return error;
        Session session(tree);
        for (Resolved &u : units) {
            Context c{session, u.suffixes, u.query};
            (*u.handler)(c, u.params);
        }
        return kNoError;
    }
    std::string lastDetail;
};

TEST_F(TreeTest, LongAndShortFormsInAnyCase)
{
    for (const char *m : {":TIMebase:SCALe 1", ":TIM:SCAL 1", ":tim:scal 1", ":TIMEBASE:SCALE 1", "TIM:SCALE 1"}) {
        EXPECT_EQ(Run(m), kNoError) << m;
        EXPECT_EQ(calls, std::vector<std::string>{"tscale"}) << m;
    }
    for (const char *m : {":TIMEB:SCAL 1", ":TI:SCAL 1", ":TIM:SCA 1", ":TIMEBASES:SCAL 1"})
        EXPECT_EQ(Run(m), kUndefinedHeader) << m;
}

TEST_F(TreeTest, OptionalNodesMayBeLeftOutOrGiven)
{
    for (const char *m : {"FREQ 1", ":SOUR:FREQ 1", "SOURCE1:FREQ:CW 1", ":FREQ:CW 1", "sour1:frequency 1"}) {
        EXPECT_EQ(Run(m), kNoError) << m;
        EXPECT_EQ(calls, std::vector<std::string>{"freq 1"}) << m;
    }
    EXPECT_EQ(Run(":SOUR2:VOLT:LEV:IMM:AMPL 1"), kNoError);
    EXPECT_EQ(calls, std::vector<std::string>{"volt 2"});
    EXPECT_EQ(Run(":VOLT:AMPL 1"), kNoError);
    EXPECT_EQ(calls, std::vector<std::string>{"volt 1"});
    EXPECT_EQ(Run(":VOLT:IMM 1"), kNoError);
    EXPECT_EQ(Run(":VOLT:AMPL:IMM 1"), kUndefinedHeader); // order is the pattern's
    EXPECT_EQ(Run(":FREQ:CW:CW 1"), kUndefinedHeader);
}

TEST_F(TreeTest, SuffixesAreCapturedDefaultToOneAndAreChecked)
{
    EXPECT_EQ(Run(":CHAN3:SCAL 1"), kNoError);
    EXPECT_EQ(calls, std::vector<std::string>{"scale 3"});
    EXPECT_EQ(Run(":CHANnel:SCAL 1"), kNoError);
    EXPECT_EQ(calls, std::vector<std::string>{"scale 1"});
    EXPECT_EQ(Run(":MEAS2:SOUR3 1"), kNoError);
    EXPECT_EQ(calls, std::vector<std::string>{"msource 2 3"});
    EXPECT_EQ(Run(":DIG:D0 1"), kNoError); // digits that are part of the name

    EXPECT_EQ(Run(":CHAN5:SCAL 1"), kHeaderSuffixOutOfRange);
    EXPECT_EQ(Run(":CHAN0:SCAL 1"), kHeaderSuffixOutOfRange);
    EXPECT_EQ(Run(":SOUR3:FREQ 1"), kHeaderSuffixOutOfRange);
    EXPECT_EQ(Run(":CHAN5:NOPE 1"), kUndefinedHeader);
    EXPECT_EQ(Run(":TIM2:SCAL 1"), kUndefinedHeader); // no suffix on this node
    EXPECT_EQ(Run(":SING2"), kUndefinedHeader);
}

TEST_F(TreeTest, CommandAndQueryFormsAreSeparate)
{
    EXPECT_EQ(Run(":CHAN1:OFFS 0"), kNoError);
    EXPECT_EQ(Run(":CHAN1:OFFS?"), kUndefinedHeader);
    EXPECT_EQ(lastDetail, ":CHAN1:OFFS?");
    EXPECT_EQ(Run("*RST?"), kUndefinedHeader);
    EXPECT_EQ(lastDetail, "*RST?");
    EXPECT_EQ(Run("*FOO"), kUndefinedHeader);
}

TEST_F(TreeTest, RelativeHeadersContinueFromThePreviousPath)
{
    // SCAL and POS continue under TIMebase; the leading ':' returns to the root.
    EXPECT_EQ(Run(":TIM:SCAL 1;POS 2;:CHAN2:SCAL 3;OFFS 4;:SING"), kNoError);
    EXPECT_EQ(calls, (std::vector<std::string>{"tscale", "tpos", "scale 2", "offset 2", "single"}));
    // Common commands leave the path as it was.
    EXPECT_EQ(Run(":CHAN2:SCAL 3;*RST;OFFS 4"), kNoError);
    EXPECT_EQ(calls, (std::vector<std::string>{"scale 2", "rst", "offset 2"}));
    // Without the colon, SING is looked for under TIMebase, where it is not.
    EXPECT_EQ(Run(":TIM:SCAL 1;SING"), kUndefinedHeader);
    EXPECT_EQ(lastDetail, ":TIM:SING");
    EXPECT_TRUE(calls.empty()); // nothing of the message ran
    // Each message starts at the root.
    EXPECT_EQ(Run(":TIM:SCAL 1"), kNoError);
    EXPECT_EQ(Run("SING"), kNoError);
}

TEST_F(TreeTest, MalformedPatternsAreRefused)
{
    Tree t;
    const Handler h = [](Context &, const Params &) { return Result::Ok(); };
    for (const char *p : {"", ":", "[:A", ":A]", "[[:A]]", "[]:A", ":A::B", ":A#(4-1)", ":A#(1-", ":A#(x)",
                          ":lower", ":A-B", ":ABCDEFGHIJKLM"})
        EXPECT_FALSE(t.Add(p, h, h)) << p;
    EXPECT_FALSE(t.AddCommon("IDN", h, h));
    EXPECT_FALSE(t.AddCommon("*ID1", h, h));
    EXPECT_EQ(t.Size(), 0u);
    EXPECT_TRUE(t.Add("A:B", h, h));
    EXPECT_TRUE(t.Add("[:A]:B#", h, h));
}

TEST(ScpiTree, ParameterCounts)
{
    EXPECT_EQ(ExpectParams({}, 1, 1), kMissingParameter);
    EXPECT_EQ(ExpectParams(Params(2), 1, 1), kParameterNotAllowed);
    EXPECT_EQ(ExpectParams(Params(1), 1, 2), kNoError);
}

} // namespace
