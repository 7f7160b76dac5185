// SCPI program messages: framing a byte stream into messages and parsing a
// message into program units.  Pure text in, structures out; every fault is
// an SCPI error code, never an exception, so any bytes a client sends are
// safe to hand over.
//
// A message is the text up to a newline.  It holds program units separated
// by ';'.  A unit is a header and its parameters:
//   *ESE 32              a common command (header starting with '*')
//   :SOURce2:FREQ 1kHz   a path of mnemonics, each with an optional numeric
//                        suffix; a leading ':' starts from the root
//   CHAN1:SCAL?          '?' marks a query
// Parameters follow the header after white space, separated by ','.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace scpi
{

// Error and event codes (SCPI-99 and IEEE 488.2), with their standard texts
// from ErrorText().
enum Error : int {
    kNoError = 0,
    kCommandError = -100,
    kInvalidCharacter = -101,
    kSyntaxError = -102,
    kInvalidSeparator = -103,
    kDataTypeError = -104,
    kParameterNotAllowed = -108,
    kMissingParameter = -109,
    kCommandHeaderError = -110,
    kHeaderSeparatorError = -111,
    kMnemonicTooLong = -112,
    kUndefinedHeader = -113,
    kHeaderSuffixOutOfRange = -114,
    kNumericDataError = -120,
    kInvalidCharacterInNumber = -121,
    kExponentTooLarge = -123,
    kTooManyDigits = -124,
    kNumericDataNotAllowed = -128,
    kSuffixError = -130,
    kInvalidSuffix = -131,
    kSuffixTooLong = -134,
    kSuffixNotAllowed = -138,
    kCharacterDataError = -140,
    kInvalidCharacterData = -141,
    kCharacterDataTooLong = -144,
    kCharacterDataNotAllowed = -148,
    kStringDataError = -150,
    kInvalidStringData = -151,
    kStringDataNotAllowed = -158,
    kBlockDataError = -160,
    kInvalidBlockData = -161,
    kBlockDataNotAllowed = -168,
    kExpressionError = -170,
    kInvalidExpression = -171,
    kExecutionError = -200,
    kSettingsConflict = -221,
    kDataOutOfRange = -222,
    kTooMuchData = -223,
    kIllegalParameterValue = -224,
    kHardwareMissing = -241,
    kFileNameNotFound = -256,
    kFileNameError = -257,
    kDeviceSpecificError = -300,
    kSystemError = -310,
    kSelfTestFailed = -330,
    kQueueOverflow = -350,
    kInputBufferOverrun = -363,
    kQueryError = -400,
    kQueryInterrupted = -410,
    kQueryUnterminated = -420,
    kQueryDeadlocked = -430,
    kPowerOn = -500,
    kUserRequest = -600,
    kRequestControl = -700,
    kOperationComplete = -800,
};

// The standard text of a code ("Undefined header"); "Unknown error" for a
// code not in the list above.
const char *ErrorText(int code);

// The kinds of parameter value.
enum class ValueKind {
    Number,     // decimal, or an integer in #H (hex), #Q (octal) or #B (binary)
    Special,    // MINimum, MAXimum or DEFault: text holds "MIN", "MAX" or "DEF"
    Word,       // other character data (ON, OFF, NORMal, INF...): text as sent
    String,     // '...' or "...": text holds the content, quotes undoubled
    Block,      // #<n><length><bytes>: text holds the bytes
    Expression, // (...): text holds what lies between the parentheses
};

// One parameter.  A number with a unit holds the value in the unit's base
// (1kHz: number 1000, unit "HZ"; 2mV: 0.002, "V").
struct Value {
    ValueKind kind = ValueKind::Number;
    double number = 0.0;
    std::string text;
    std::string unit; // upper case, multiplier removed; empty when none was given

    bool IsNumber() const { return kind == ValueKind::Number; }
    // Case-insensitive match of character data against a mnemonic in SCPI
    // form ("NORMal" matches NORM and NORMAL); false for other kinds.
    bool IsWord(std::string_view mnemonic) const;
};

// SCPI mnemonic match, case-insensitive: the input is either the short
// form (the pattern's capitals and digits: FREQ for "FREQuency") or the
// long form (FREQUENCY), nothing in between.
bool MatchesMnemonic(std::string_view input, std::string_view pattern);

// Numeric value of a parameter for a setting with the given limits.
// MIN/MAX/DEF give the limits or the default; a number must lie within the
// limits (kDataOutOfRange otherwise).  The unit, when one was given, must be
// baseUnit ("HZ", "V"...): kSuffixNotAllowed otherwise, and any unit when
// baseUnit is empty.  Returns kNoError or the code to report.
int NumberIn(const Value &v, double lo, double hi, double def, const char *baseUnit, double &out);
// Integer value (rounded to nearest) within lo..hi, with MIN/MAX/DEF.
int IntegerIn(const Value &v, long lo, long hi, long def, long &out);
// Boolean: ON/OFF or a number (0 is false, anything else rounding to
// non-zero is true).
int Boolean(const Value &v, bool &out);

// One node of a header path as sent: the mnemonic (without its suffix) and
// the suffix when there was one.
struct HeaderNode {
    std::string mnemonic;
    long suffix = -1; // -1: none given
};

struct ProgramUnit {
    bool common = false;   // *IDN? and the like: path holds one node, "IDN"
    bool absolute = false; // the header started with ':'
    bool query = false;
    std::vector<HeaderNode> path;
    std::vector<Value> params;
};

struct ParseResult {
    int error = kNoError;   // the first fault found; units is empty then
    std::string detail;     // a short printable excerpt around the fault
    std::vector<ProgramUnit> units;
};

// Longest mnemonic (without suffix) and character data, as IEEE 488.2 says.
inline constexpr std::size_t kMaxMnemonic = 12;
// Most parameters in one unit, header nodes in one path and units in one
// message: more are refused as a syntax error.
inline constexpr std::size_t kMaxParams = 64;
inline constexpr std::size_t kMaxPathNodes = 16;
inline constexpr std::size_t kMaxUnits = 1024;

// Parses one message (without its newline; a trailing carriage return is
// white space).  All of it or none: a fault anywhere gives the error and
// no units, so a malformed message is never half executed.
ParseResult ParseMessage(std::string_view message);

// Splits a byte stream into messages.  A newline ends a message unless it
// lies inside a definite-length block.  Limits protect the server: a
// message whose text (outside block bytes) exceeds maxMessage is refused
// with kInputBufferOverrun, one whose block bytes exceed maxBlock with
// kTooMuchData; either way the rest of that line is discarded.
struct FramerLimits {
    std::size_t maxMessage = std::size_t(1) << 20;
    std::size_t maxBlock = std::size_t(64) << 20;
};

struct Frame {
    int error = kNoError; // set for a refused message; text is then empty
    std::string text;
};

class MessageFramer
{
public:
    explicit MessageFramer(FramerLimits limits = {}) : limits_(limits) {}

    void Append(const char *data, std::size_t size);
    // Takes the next complete message (or refusal); false when none is
    // complete yet.
    bool Next(Frame &out);
    // Bytes received and not yet taken as messages.
    std::size_t Buffered() const { return buf_.size() - start_; }
    // Drops everything buffered (a device clear).
    void Clear();
    // Drops everything buffered and what arrives up to the next newline.
    void DiscardLine()
    {
        Clear();
        state_ = State::Discard;
    }

private:
    enum class State { Text, Quote, BlockLength, BlockBytes, Discard };

    FramerLimits limits_;
    std::string buf_;
    std::size_t start_ = 0; // first byte of the message being scanned
    std::size_t scan_ = 0;  // next byte to examine
    State state_ = State::Text;
    char quote_ = 0;
    int lengthDigits_ = 0;
    std::size_t blockLeft_ = 0;
    std::size_t textBytes_ = 0;
    std::size_t blockBytes_ = 0;

    void StartMessage();
};

} // namespace scpi
