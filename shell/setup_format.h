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

// Every setting of a setup file, once, in file order.  The columns: the
// line that holds it (lines 0, 16 and 26 are section headers and hold
// none), its member of SetupValues, the bench variable that holds it while
// the bench runs, the panel handle and control that show it, and whether it
// is taken back from its control whenever the user's settings are gathered
// (Always) or only when a setup file is applied (OnApply: the auxiliary BNC
// output, which the saves write as it is held).
//
// The reader, the writer, the mirror of the settings into the controls and
// their collection from the controls all walk this one list.  The last
// four columns name bench state: they are expanded only where the bench is
// linked (shell/setup_file.cpp); the formatter here uses the first two and
// stays independent of the runtime.
#define KORVAX_SETUP_SETTINGS(X)                                                 \
    X(1, device, device, panelScope, SCOPE_DEVICE, Always)                      \
    X(2, ain[0], Ain[0], panelAin, TAB_AIN_CH1, Always)                          \
    X(2, ain[1], Ain[1], panelAin, TAB_AIN_CH2, Always)                          \
    X(2, ain[2], Ain[2], panelAin, TAB_AIN_CH3, Always)                          \
    X(2, ain[3], Ain[3], panelAin, TAB_AIN_CH4, Always)                          \
    X(3, range[0], iChan[0].range, panelRange, TAB_RANGE_CH1, Always)            \
    X(3, range[1], iChan[1].range, panelRange, TAB_RANGE_CH2, Always)            \
    X(3, range[2], iChan[2].range, panelRange, TAB_RANGE_CH3, Always)            \
    X(3, range[3], iChan[3].range, panelRange, TAB_RANGE_CH4, Always)            \
    X(4, coupling[0], iChan[0].coupling, panelCoupling, TAB_COUPLING_CH1, Always) \
    X(4, coupling[1], iChan[1].coupling, panelCoupling, TAB_COUPLING_CH2, Always) \
    X(4, coupling[2], iChan[2].coupling, panelCoupling, TAB_COUPLING_CH3, Always) \
    X(4, coupling[3], iChan[3].coupling, panelCoupling, TAB_COUPLING_CH4, Always) \
    X(5, sampleRate, iClockRate, panelScope, SCOPE_SAMPLING_RATE, Always)        \
    X(6, requestedSamples, RequestedSamples, panelScope, SCOPE_RECORD_LENGTH, Always) \
    X(7, preSamples, pre_iSample, panelScope, SCOPE_PRE_SAMPLES, Always)         \
    X(8, triggerSource, trigger_source, panelScope, SCOPE_TRIGGER_SOURCE, Always) \
    X(9, triggerSlope, trigger_slope, panelScope, SCOPE_TRIGGER_SLOPE, Always)   \
    X(10, triggerLevel, trigger_level, panelScope, SCOPE_TRIGGER_LEVEL, Always)  \
    X(11, auxBnc, Aux_BNC, panelAd_Scope, AD_SCOPE_AUX_BNC, OnApply)             \
    X(12, averaging, is_AverageON, panelAd_Scope, AD_SCOPE_AVERAGING, Always)    \
    X(13, averageCount, average_count, panelAd_Scope, AD_SCOPE_AVERAGE_COUNT, Always) \
    X(14, streaming, isStreamingRAMEnabled, panelAd_Scope, AD_SCOPE_STREAMING, Always) \
    X(15, decimation, decimation_factor, panelAd_Scope, AD_SCOPE_DECIMATION, Always) \
    X(17, frequency, oFrequency, panelGene, GENE_FREQUENCY, Always)              \
    X(18, signalType[0], oChan[0].type, panelGene, GENE_CH1_TYPE, Always)        \
    X(18, signalType[1], oChan[1].type, panelGene, GENE_CH2_TYPE, Always)        \
    X(19, amplitude[0], oChan[0].amplitude, panelGene, GENE_CH1_AMPLITUDE, Always) \
    X(19, amplitude[1], oChan[1].amplitude, panelGene, GENE_CH2_AMPLITUDE, Always) \
    X(20, offset[0], oChan[0].offset, panelGene, GENE_CH1_OFFSET, Always)        \
    X(20, offset[1], oChan[1].offset, panelGene, GENE_CH2_OFFSET, Always)        \
    X(21, phase[0], oChan[0].phase, panelGene, GENE_CH1_PHASE, Always)           \
    X(21, phase[1], oChan[1].phase, panelGene, GENE_CH2_PHASE, Always)           \
    X(22, noise[0], oChan[0].noise, panelGene, GENE_CH1_NOISE, Always)           \
    X(22, noise[1], oChan[1].noise, panelGene, GENE_CH2_NOISE, Always)           \
    X(23, triggerSourceOut, trigger_source_out, panelGene, GENE_TRIG_SOURCE, Always) \
    X(24, triggerSlopeOut, trigger_slope_out, panelGene, GENE_TRIG_SLOPE, Always) \
    X(25, triggerLevelOut, trigger_level_out, panelGene, GENE_TRIG_LEVEL, Always) \
    X(27, digitalRate, dClockRate, panelDig, DIG_RATE, Always)                   \
    X(28, digitalSamples, dSamples, panelDig, DIG_SAMPLES, Always)               \
    X(29, triggerMask, dTriggerMask, panelDig, DIG_TRIG_MASK, Always)            \
    X(30, triggerMode, dTriggerMode, panelDig, DIG_TRIG_MODE, Always)            \
    X(31, triggerPattern, dTriggerPattern, panelDig, DIG_TRIG_PATTERN, Always)

// The number of settings in the list above.
#define KORVAX_SETUP_COUNT_ONE(line, field, variable, panel, control, take) +1
inline constexpr int kSetupSettingCount = 0 KORVAX_SETUP_SETTINGS(KORVAX_SETUP_COUNT_ONE);

// The line of each setting, in list order (for checks of the list).
#define KORVAX_SETUP_LINE_OF(line, field, variable, panel, control, take) line,
inline constexpr int kSetupSettingLines[kSetupSettingCount] = {KORVAX_SETUP_SETTINGS(KORVAX_SETUP_LINE_OF)};

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
