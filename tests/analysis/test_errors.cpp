// Status-code messages of the signal-processing library.
#include "analysis/analysis.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{

TEST(AnalysisErrors, KnownCodesReturnTheirMessage)
{
    EXPECT_STREQ(GetAnalysisErrorString(0), "No error");
    EXPECT_STREQ(GetAnalysisErrorString(1), "The matrix is rank deficient");
    EXPECT_STREQ(GetAnalysisErrorString(SamplesGTZeroAnlysErr),
                 "Number of samples must be greater than zero");
    EXPECT_STREQ(GetAnalysisErrorString(NyquistAnlysErr), "Nyquist error");
    EXPECT_STREQ(GetAnalysisErrorString(OrderGTZeroAnlysErr), "Order must be positive");
    EXPECT_STREQ(GetAnalysisErrorString(BandSpecAnlysErr), "Invalid band specification");
    EXPECT_STREQ(GetAnalysisErrorString(EvenSizeAnlysErr), "Number of coefficients must be odd");
    EXPECT_STREQ(GetAnalysisErrorString(InvSelectionAnlysErr), "Invalid selection");
    EXPECT_STREQ(GetAnalysisErrorString(InitStateAnlysErr),
                 "Internal memory state not initialized correctly");
    EXPECT_STREQ(GetAnalysisErrorString(-20103), "Order must be greater than or equal to zero");
    EXPECT_STREQ(GetAnalysisErrorString(-20999), "Internal analysis library error.");
}

TEST(AnalysisErrors, UnknownCodesAreReportedAsSuch)
{
    for (int code : {-5, 2, -20000, -20068, -20100, -20111, -20998, -21000, -2147483647 - 1, 2147483647})
        EXPECT_STREQ(GetAnalysisErrorString(code), "Unknown error number") << code;
}

TEST(AnalysisErrors, SpecialCharactersAreUtf8)
{
    EXPECT_EQ(std::string(GetAnalysisErrorString(DutyCycleAnlysErr)),
              "The duty cycle must meet:  0 \u00b2 duty cycle \u00b2 100");
    EXPECT_EQ(std::string(GetAnalysisErrorString(StepSizeAnlysErr)),
              "The step-size parameter \u00b5 must meet: 0 \u00b2 \u00b5 \u00b2 0.1");
    EXPECT_EQ(std::string(GetAnalysisErrorString(LeakAnlysErr)),
              "The leakage coefficient, Leak, must meet:\t0 \u00b2 Leak \u00b2 \u00b5");
    EXPECT_EQ(std::string(GetAnalysisErrorString(RankAnlysErr)),
              "The rank of the filter must meet:  1 \u00b2 (2 rank +1)\t \u00b2 size");
}

TEST(AnalysisErrors, EveryCodeOfTheTableHasItsOwnMessage)
{
    std::set<std::string> seen;
    int known = 0;
    for (int code = -21000; code <= 1; ++code) {
        const std::string text = GetAnalysisErrorString(code);
        if (text == "Unknown error number")
            continue;
        ++known;
        EXPECT_TRUE(seen.insert(text).second) << "duplicate message for " << code;
    }
    EXPECT_EQ(known, 80);
}

} // namespace
