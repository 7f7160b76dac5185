// The text of a setup file: 32 lines in three sections, read by position.
// Pure formatting and parsing, independent of the runtime, so it can be
// tested and fuzzed alone.
//
// Reals are written in fixed point with six decimals whatever the process
// locale; integers in decimal.  A line is understood by its position only:
// the reader passes over the key's length of characters without comparing
// them, then parses the values, each comma matching a comma.  A value that
// cannot be parsed leaves it and the rest of the line's values as they were.
#pragma once

#include <cstddef>
#include <string>

inline constexpr int kSetupLineCount = 32;

// Every setting a setup file holds, in the widths the instruments keep them.
struct SetupValues {
    // [SCOPE_MODE]
    short device = 1;
    int ain[4] = {1, 1, 1, 1};
    double range[4] = {2.0, 2.0, 2.0, 2.0};
    short coupling[4] = {0, 0, 0, 0};
    double sampleRate = 10000000.0;
    int requestedSamples = 8192;
    int preSamples = 0;
    int triggerSource = 100;
    int triggerSlope = 1;
    double triggerLevel = 0.0;
    int auxBnc = 0;
    int averaging = 0;
    short averageCount = 4;
    int streaming = 0;
    short decimation = 1;
    // [GENERATOR]
    double frequency = 1000.0;
    short signalType[2] = {0, 0};
    double amplitude[2] = {1.0, 1.0};
    double offset[2] = {0.0, 0.0};
    double phase[2] = {0.0, 0.0};
    int noise[2] = {0, 0};
    int triggerSourceOut = 0;
    int triggerSlopeOut = 1;
    double triggerLevelOut = 0.0;
    // [ANALYZER]
    double digitalRate = 10000000.0;
    int digitalSamples = 1000;
    unsigned short triggerMask = 0;
    unsigned short triggerMode = 0;
    unsigned short triggerPattern = 0;
};

// Key text of line 0..31 (the section headers for lines 0, 16 and 26), or
// null for a line number outside the file.
const char *SetupLineKey(int line);
// Characters the reader passes over at the start of line 0..31: the length
// of its key text.
int SetupLineSkip(int line);

// The text of line 0..31 (without a line break); empty for a line number
// outside the file.
std::string SetupFormatLine(int line, const SetupValues &values);

// Parses the text of line 0..31 (length bytes, no terminator needed, may
// hold any byte) into values.  Values are stored left to right as they
// parse; parsing stops at the first that does not.  Numbers beyond the width
// of their setting are held at the setting's nearest limit; non-finite reals
// do not parse.  Returns the number of values stored.
int SetupParseLine(int line, const char *text, std::size_t length, SetupValues &values);
