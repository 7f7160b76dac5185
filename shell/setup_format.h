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
#include <iosfwd>
#include <string>

inline constexpr int kSetupLineCount = 32;
// Largest setup file the reader accepts; a larger one is damaged (the
// 32 lines take well under a kilobyte).
inline constexpr std::size_t kSetupFileLimit = std::size_t(1) << 20;
// A line of this many characters or more (line break excluded) is damaged
// and skipped: its setting keeps its value.
inline constexpr std::size_t kSetupLineLimit = 4095;

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

// Reads up to 32 lines from in and parses line i into values, as a setup
// file is read: a line ends at LF or CR LF (a lone CR is a character of the
// line); a line of kSetupLineLimit characters or more is skipped; lines
// after the end of the input change nothing.  Never takes more than
// kSetupFileLimit bytes from in.  Returns the number of values stored.
int SetupReadLines(std::istream &in, SetupValues &values);

// Outcome of SetupReadFile.
enum SetupReadStatus {
    kSetupReadOk = 0,
    kSetupCannotOpen = -1, // missing, unreadable
    kSetupNotRegular = -2, // a folder, FIFO, device or socket
    kSetupTooLarge = -3,   // over kSetupFileLimit bytes: damaged
};
// Reads the setup file at path into values through SetupReadLines.  The
// file is examined before anything is read and before anything can wait:
// it is opened without blocking, and only a regular file of at most
// kSetupFileLimit bytes is read; anything else is refused and values stay
// as they were.  stored (when not null) receives the number of values
// stored.
SetupReadStatus SetupReadFile(const char *path, SetupValues &values, int *stored = nullptr);
