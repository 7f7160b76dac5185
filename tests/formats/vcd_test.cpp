#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "formats/vcd.h"
#include "formats_test_support.h"

namespace
{

using formats::LogicRecord;
using formats::Status;

TEST(VcdFile, TimescaleIsTheCoarsestUnitHoldingTheIntervalWhole)
{
    struct Case
    {
        double interval;
        int multiplier;
        const char *unit;
        unsigned long long ticks;
    };
    const Case cases[] = {
        {1e-6, 1, "us", 1},     {2e-6, 1, "us", 2},        {1e-5, 10, "us", 1}, {1e-3, 1, "ms", 1},
        {4e-9, 1, "ns", 4},     {1.0, 1, "s", 1},          {250.0, 10, "s", 25}, {1e-8, 10, "ns", 1},
        {1.0 / 48000.0, 10, "fs", 2083333333ull},
    };
    for (const Case &c : cases) {
        const formats::VcdTimescale t = formats::ChooseVcdTimescale(c.interval);
        EXPECT_EQ(c.multiplier, t.multiplier) << c.interval;
        EXPECT_STREQ(c.unit, t.unit) << c.interval;
        EXPECT_EQ(c.ticks, t.ticks) << c.interval;
    }
}

// Replays a dump: the state of the 16 lines after each time stamp.
struct Replay
{
    std::string timescale;
    std::map<char, int> lineOf;    // identifier -> line
    std::map<unsigned long long, unsigned> states;
    bool repeatedValue = false;    // a change that changes nothing
};

Replay Play(const std::string &text)
{
    Replay r;
    std::istringstream in(text);
    std::string line;
    unsigned state = 0;
    unsigned long long now = 0;
    bool inDefinitions = true;
    while (std::getline(in, line)) {
        if (inDefinitions) {
            if (line.rfind("$timescale ", 0) == 0)
                r.timescale = line;
            char id = 0;
            char name[64];
            int width = 0;
            if (std::sscanf(line.c_str(), "$var wire %d %c %63s $end", &width, &id, name) == 3 &&
                std::strncmp(name, "D", 1) == 0)
                r.lineOf[id] = std::atoi(name + 1);
            if (line == "$enddefinitions $end")
                inDefinitions = false;
            continue;
        }
        if (line.empty() || line[0] == '$')
            continue;
        if (line[0] == '#') {
            r.states[now] = state;
            now = std::stoull(line.substr(1));
            continue;
        }
        const int bit = r.lineOf.at(line[1]);
        const unsigned before = state;
        if (line[0] == '1')
            state |= 1u << bit;
        else
            state &= ~(1u << bit);
        if (state == before && now != 0)
            r.repeatedValue = true;
    }
    r.states[now] = state;
    return r;
}

TEST(VcdFile, ReplayingTheChangesGivesEveryLineStateExactly)
{
    ScratchFolder dir;
    LogicRecord record;
    record.sampleInterval = 2e-6;
    record.firstTime = -6e-6;
    const std::uint16_t words[] = {0x0000, 0x0000, 0x8001, 0x8001, 0xFFFF, 0x1234, 0x1234, 0x0000, 0xA5A5};
    record.words.assign(std::begin(words), std::end(words));
    ASSERT_EQ(Status::Ok, formats::WriteVcd(dir.File("r.vcd"), record));
    const std::string text = ReadBytes(dir.File("r.vcd"));

    const Replay r = Play(text);
    EXPECT_EQ("$timescale 1 us $end", r.timescale);
    ASSERT_EQ(16u, r.lineOf.size());
    std::set<int> lines;
    for (const auto &entry : r.lineOf)
        lines.insert(entry.second);
    EXPECT_EQ(16u, lines.size());
    EXPECT_FALSE(r.repeatedValue);
    // A stamp at every change and one at the end; the state holds between.
    const std::map<unsigned long long, unsigned> expected = {
        {0, 0x0000}, {4, 0x8001}, {8, 0xFFFF}, {10, 0x1234}, {14, 0x0000}, {16, 0xA5A5}, {18, 0xA5A5}};
    EXPECT_EQ(expected, r.states);
    EXPECT_NE(std::string::npos, text.find("first sample at -6e-06 s"));
}

TEST(VcdFile, FewerLinesAndOwnNamesAreWrittenAsGiven)
{
    ScratchFolder dir;
    LogicRecord record;
    record.sampleInterval = 1e-3;
    record.lines = 2;
    record.names = {"clock", "data out"};
    record.words = {0xFFFC, 0xFFFD, 0xFFFE};
    ASSERT_EQ(Status::Ok, formats::WriteVcd(dir.File("r.vcd"), record));
    const std::string text = ReadBytes(dir.File("r.vcd"));
    EXPECT_NE(std::string::npos, text.find("$var wire 1 A clock $end\n$var wire 1 B data_out $end\n$upscope"));
    EXPECT_NE(std::string::npos, text.find("$dumpvars\n0A\n0B\n$end\n#1\n1A\n#2\n0A\n1B\n#3\n"));
}

TEST(VcdFile, TwoPortBytesMakeOneWordPerSample)
{
    const std::uint8_t raw[] = {0x01, 0x80, 0xFF, 0x00, 0x34, 0x12};
    const LogicRecord r = formats::LogicFromPorts(raw, 3, 1e-6);
    EXPECT_EQ((std::vector<std::uint16_t>{0x8001, 0x00FF, 0x1234}), r.words);
    EXPECT_EQ(16, r.lines);
    EXPECT_EQ(1e-6, r.sampleInterval);
    EXPECT_TRUE(formats::LogicFromPorts(nullptr, 3, 1e-6).words.empty());
}

} // namespace
