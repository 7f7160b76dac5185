// Parsing SCPI messages: headers, parameters of every kind, units, and the
// error code of every fault the parser reports.
#include "remote/scpi_parser.h"

#include <gtest/gtest.h>

#include <string>

using namespace scpi;

namespace
{

ParseResult Parse(const std::string &s) { return ParseMessage(s); }

int ErrorOf(const std::string &s) { return ParseMessage(s).error; }

// The single parameter of a one-unit message.
Value Param(const std::string &s)
{
    const ParseResult r = ParseMessage(s);
    EXPECT_EQ(r.error, kNoError) << s;
    if (r.units.size() != 1 || r.units[0].params.size() != 1) {
        ADD_FAILURE() << s;
        return {};
    }
    return r.units[0].params[0];
}

TEST(ScpiParser, HeaderPathsWithSuffixesQueriesAndCommonCommands)
{
    const ParseResult r = Parse(":SOURce2:FREQuency:CW 1;chan1:scal?;*idn?;  *RST");
    ASSERT_EQ(r.error, kNoError);
    ASSERT_EQ(r.units.size(), 4u);

    const ProgramUnit &a = r.units[0];
    EXPECT_TRUE(a.absolute);
    EXPECT_FALSE(a.query);
    EXPECT_FALSE(a.common);
    ASSERT_EQ(a.path.size(), 3u);
    EXPECT_EQ(a.path[0].mnemonic, "SOURCE");
    EXPECT_EQ(a.path[0].suffix, 2);
    EXPECT_EQ(a.path[1].mnemonic, "FREQUENCY");
    EXPECT_EQ(a.path[1].suffix, -1);
    ASSERT_EQ(a.params.size(), 1u);

    const ProgramUnit &b = r.units[1];
    EXPECT_FALSE(b.absolute);
    EXPECT_TRUE(b.query);
    EXPECT_EQ(b.path[0].mnemonic, "CHAN");
    EXPECT_EQ(b.path[0].suffix, 1);
    EXPECT_TRUE(b.params.empty());

    EXPECT_TRUE(r.units[2].common);
    EXPECT_TRUE(r.units[2].query);
    EXPECT_EQ(r.units[2].path[0].mnemonic, "IDN");
    EXPECT_TRUE(r.units[3].common);
    EXPECT_FALSE(r.units[3].query);
}

TEST(ScpiParser, MnemonicsMatchShortOrLongFormOnly)
{
    EXPECT_TRUE(MatchesMnemonic("FREQ", "FREQuency"));
    EXPECT_TRUE(MatchesMnemonic("frequency", "FREQuency"));
    EXPECT_TRUE(MatchesMnemonic("FrEq", "FREQuency"));
    EXPECT_FALSE(MatchesMnemonic("FREQU", "FREQuency"));
    EXPECT_FALSE(MatchesMnemonic("FRE", "FREQuency"));
    EXPECT_FALSE(MatchesMnemonic("FREQUENCYS", "FREQuency"));
    EXPECT_TRUE(MatchesMnemonic("CW", "CW"));
}

TEST(ScpiParser, BlankMessagesAndTrailingSemicolonAreEmptyOrAccepted)
{
    EXPECT_EQ(Parse("").units.size(), 0u);
    EXPECT_EQ(Parse("   \r").units.size(), 0u);
    const ParseResult r = Parse("*CLS;\r");
    EXPECT_EQ(r.error, kNoError);
    EXPECT_EQ(r.units.size(), 1u);
}

TEST(ScpiParser, NumbersInEveryForm)
{
    EXPECT_DOUBLE_EQ(Param("X 42").number, 42.0);
    EXPECT_DOUBLE_EQ(Param("X -1.5").number, -1.5);
    EXPECT_DOUBLE_EQ(Param("X +.5").number, 0.5);
    EXPECT_DOUBLE_EQ(Param("X 1.").number, 1.0);
    EXPECT_DOUBLE_EQ(Param("X -.5E-3").number, -0.5e-3);
    EXPECT_DOUBLE_EQ(Param("X 007").number, 7.0);
    EXPECT_DOUBLE_EQ(Param("X 1.25E3").number, 1250.0);
    EXPECT_DOUBLE_EQ(Param("X 1.25 e -3").number, 1.25e-3);
    EXPECT_DOUBLE_EQ(Param("X #H1F").number, 31.0);
    EXPECT_DOUBLE_EQ(Param("X #q17").number, 15.0);
    EXPECT_DOUBLE_EQ(Param("X #B101").number, 5.0);
    EXPECT_DOUBLE_EQ(Param("X 1e-400").number, 0.0); // underflow reads as zero
    EXPECT_TRUE(Param("X 1").unit.empty());
}

TEST(ScpiParser, UnitsAndMultipliersFollowScpiRules)
{
    struct Case {
        const char *text;
        double value;
        const char *unit;
    };
    const Case cases[] = {
        {"X 1kHz", 1e3, "HZ"},        {"X 1 KHZ", 1e3, "HZ"},      {"X 3MHZ", 3e6, "HZ"},
        {"X 3mhz", 3e6, "HZ"},        {"X 3MAHZ", 3e6, "HZ"},      {"X 2GHz", 2e9, "HZ"},
        {"X 10MS/s", 10e6, "S/S"},    {"X 10MSa/s", 10e6, "SA/S"}, {"X 2mV", 2e-3, "V"},
        {"X 2MV", 2e-3, "V"},         {"X 5ms", 5e-3, "S"},        {"X 5us", 5e-6, "S"},
        {"X 5ns", 5e-9, "S"},         {"X 1ps", 1e-12, "S"},       {"X 50OHM", 50.0, "OHM"},
        {"X 1MOHM", 1e6, "OHM"},      {"X 1KOHM", 1e3, "OHM"},     {"X 90DEG", 90.0, "DEG"},
        {"X 1.5EXHZ", 1.5e18, "HZ"},  {"X 1e3 V", 1e3, "V"},       {"X -3dBm", -3.0, "DBM"},
    };
    for (const Case &c : cases) {
        const Value v = Param(c.text);
        EXPECT_NEAR(v.number, c.value, 1e-12 * std::abs(c.value)) << c.text;
        EXPECT_EQ(v.unit, c.unit) << c.text;
    }
}

TEST(ScpiParser, CharacterDataStringsBlocksAndExpressions)
{
    Value v = Param("X ON");
    EXPECT_EQ(v.kind, ValueKind::Word);
    EXPECT_TRUE(v.IsWord("ON"));
    EXPECT_TRUE(Param("X norm").IsWord("NORMal"));
    EXPECT_FALSE(Param("X nor").IsWord("NORMal"));

    for (const char *m : {"X MIN", "X minimum", "X Max", "X MAXIMUM", "X def", "X DEFault"}) {
        v = Param(m);
        EXPECT_EQ(v.kind, ValueKind::Special) << m;
    }
    EXPECT_EQ(Param("X minimum").text, "MIN");
    EXPECT_EQ(Param("X DEFAULT").text, "DEF");

    v = Param("X 'it''s; a, \"test\"'");
    EXPECT_EQ(v.kind, ValueKind::String);
    EXPECT_EQ(v.text, "it's; a, \"test\"");
    EXPECT_EQ(Param("X \"say \"\"hi\"\"\"").text, "say \"hi\"");

    const std::string bytes("a;\n\0,#", 6);
    v = Param("X #16" + bytes);
    EXPECT_EQ(v.kind, ValueKind::Block);
    EXPECT_EQ(v.text, bytes);
    EXPECT_EQ(Param("X #10").text, "");

    v = Param("X (@1,2:3)");
    EXPECT_EQ(v.kind, ValueKind::Expression);
    EXPECT_EQ(v.text, "@1,2:3");
}

TEST(ScpiParser, SeveralParametersAndUnits)
{
    const ParseResult r = Parse("APPL:SIN 1kHz , 2V,MAX,'a'; :OUTP ON");
    ASSERT_EQ(r.error, kNoError);
    ASSERT_EQ(r.units.size(), 2u);
    ASSERT_EQ(r.units[0].params.size(), 4u);
    EXPECT_DOUBLE_EQ(r.units[0].params[0].number, 1000.0);
    EXPECT_EQ(r.units[0].params[1].unit, "V");
    EXPECT_EQ(r.units[0].params[2].kind, ValueKind::Special);
    EXPECT_EQ(r.units[0].params[3].kind, ValueKind::String);
    EXPECT_TRUE(r.units[1].absolute);
}

TEST(ScpiParser, EveryFaultHasItsCodeAndNoUnits)
{
    struct Case {
        const char *text;
        int code;
    };
    const Case cases[] = {
        {"FREQ 1\x7F", kInvalidCharacterInNumber},
        {"\xC3\xA9TAT", kInvalidCharacter},
        {"FREQ \x7F", kInvalidCharacter},
        {":", kSyntaxError},
        {"FREQ:", kSyntaxError},
        {"FREQ::CW 1", kSyntaxError},
        {"*", kSyntaxError},
        {"*RST;;*CLS", kSyntaxError},
        {"FREQ 1,", kSyntaxError},
        {"FREQ 1,,2", kSyntaxError},
        {"FREQ @", kSyntaxError},
        {"FREQ 1 2", kInvalidSeparator},
        {"FREQ 'a' 'b'", kInvalidSeparator},
        {"FREQ,1", kHeaderSeparatorError},
        {"*IDN?1", kHeaderSeparatorError},
        {"FREQUENCYFREQ 1", kMnemonicTooLong},
        {"*ABCDEFGHIJKLM", kMnemonicTooLong},
        {"CHAN1234567890:SCAL 1", kHeaderSuffixOutOfRange},
        {"FREQ -", kNumericDataError},
        {"FREQ +.", kNumericDataError},
        {"FREQ 1.2.3", kInvalidCharacterInNumber},
        {"FREQ #HFG", kInvalidCharacterInNumber},
        {"FREQ #B2", kInvalidCharacterInNumber},
        {"FREQ 1e999", kExponentTooLarge},
        {"FREQ 1e123456789", kExponentTooLarge},
        {"FREQ 1e300 EXHZ", kExponentTooLarge},
        {"FREQ #HFFFFFFFFFFFFFFFFFF", kTooManyDigits},
        {"FREQ 1KQZ", kInvalidSuffix},
        {"FREQ 1 FOO", kInvalidSuffix},
        {"FREQ 1 ABCDEFGHIJKLMN", kSuffixTooLong},
        {"MODE ABCDEFGHIJKLM", kCharacterDataTooLong},
        {"NAME 'abc", kInvalidStringData},
        {"NAME \"abc'", kInvalidStringData},
        {"DATA #0abc", kInvalidBlockData},
        {"DATA #15abc", kInvalidBlockData},
        {"DATA #3", kInvalidBlockData},
        {"DATA #2x1a", kInvalidBlockData},
        {"DATA #X", kInvalidBlockData},
        {"LIST (@1,2", kInvalidExpression},
    };
    for (const Case &c : cases) {
        const ParseResult r = ParseMessage(c.text);
        EXPECT_EQ(r.error, c.code) << c.text;
        EXPECT_TRUE(r.units.empty()) << c.text;
    }
    std::string digits(300, '1');
    EXPECT_EQ(ErrorOf("FREQ " + digits), kTooManyDigits);
}

TEST(ScpiParser, AFaultInALaterUnitDiscardsTheWholeMessage)
{
    const ParseResult r = ParseMessage("*RST;FREQ 1;FREQ 1 2");
    EXPECT_EQ(r.error, kInvalidSeparator);
    EXPECT_TRUE(r.units.empty());
}

TEST(ScpiParser, DetailIsAPrintableExcerptWithoutDoubleQuotes)
{
    const ParseResult r = ParseMessage("FREQ 1 \"x\x01\"");
    EXPECT_EQ(r.error, kInvalidSeparator);
    EXPECT_EQ(r.detail, "'x?'");
    EXPECT_LE(ParseMessage("FREQ 1 " + std::string(100, 'y')).detail.size(), 24u);
}

TEST(ScpiParser, CountsAreBounded)
{
    std::string manyParams = "X 1";
    for (std::size_t k = 0; k < kMaxParams; ++k)
        manyParams += ",1";
    EXPECT_EQ(ErrorOf(manyParams), kSyntaxError);

    std::string deep = "A";
    for (std::size_t k = 0; k < kMaxPathNodes; ++k)
        deep += ":A";
    EXPECT_EQ(ErrorOf(deep), kSyntaxError);

    std::string manyUnits = "*CLS";
    for (std::size_t k = 0; k < kMaxUnits; ++k)
        manyUnits += ";*CLS";
    EXPECT_EQ(ErrorOf(manyUnits), kSyntaxError);
}

TEST(ScpiParser, ValuesForSettings)
{
    double d = -1.0;
    EXPECT_EQ(NumberIn(Param("X 1kHz"), 1.0, 1e6, 1e3, "HZ", d), kNoError);
    EXPECT_DOUBLE_EQ(d, 1e3);
    EXPECT_EQ(NumberIn(Param("X 2e6"), 1.0, 1e6, 1e3, "HZ", d), kDataOutOfRange);
    EXPECT_EQ(NumberIn(Param("X 2V"), 1.0, 1e6, 1e3, "HZ", d), kInvalidSuffix);
    EXPECT_EQ(NumberIn(Param("X 2V"), 1.0, 1e6, 1e3, "", d), kSuffixNotAllowed);
    EXPECT_EQ(NumberIn(Param("X ON"), 1.0, 1e6, 1e3, "HZ", d), kDataTypeError);
    EXPECT_EQ(NumberIn(Param("X 'x'"), 1.0, 1e6, 1e3, "HZ", d), kDataTypeError);
    EXPECT_EQ(NumberIn(Param("X MAX"), 1.0, 1e6, 1e3, "HZ", d), kNoError);
    EXPECT_DOUBLE_EQ(d, 1e6);
    EXPECT_EQ(NumberIn(Param("X MIN"), 1.0, 1e6, 1e3, "HZ", d), kNoError);
    EXPECT_DOUBLE_EQ(d, 1.0);
    EXPECT_EQ(NumberIn(Param("X DEF"), 1.0, 1e6, 1e3, "HZ", d), kNoError);
    EXPECT_DOUBLE_EQ(d, 1e3);

    long n = 0;
    EXPECT_EQ(IntegerIn(Param("X 3.6"), 0, 255, 0, n), kNoError);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(IntegerIn(Param("X 255.6"), 0, 255, 0, n), kDataOutOfRange);
    EXPECT_EQ(IntegerIn(Param("X 1e300"), 0, 255, 0, n), kDataOutOfRange);
    EXPECT_EQ(IntegerIn(Param("X 1V"), 0, 255, 0, n), kSuffixNotAllowed);

    bool b = false;
    EXPECT_EQ(Boolean(Param("X on"), b), kNoError);
    EXPECT_TRUE(b);
    EXPECT_EQ(Boolean(Param("X 0"), b), kNoError);
    EXPECT_FALSE(b);
    EXPECT_EQ(Boolean(Param("X MAYBE"), b), kIllegalParameterValue);
    EXPECT_EQ(Boolean(Param("X #10"), b), kDataTypeError);
}

TEST(ScpiParser, EveryCodeHasItsStandardText)
{
    EXPECT_STREQ(ErrorText(kNoError), "No error");
    EXPECT_STREQ(ErrorText(kCommandError), "Command error");
    EXPECT_STREQ(ErrorText(kSyntaxError), "Syntax error");
    EXPECT_STREQ(ErrorText(kUndefinedHeader), "Undefined header");
    EXPECT_STREQ(ErrorText(kDataOutOfRange), "Data out of range");
    EXPECT_STREQ(ErrorText(kIllegalParameterValue), "Illegal parameter value");
    EXPECT_STREQ(ErrorText(kQueueOverflow), "Queue overflow");
    EXPECT_STREQ(ErrorText(12345), "Unknown error");
}

} // namespace
