// Protocol decoders over logic captures: the installed decoders (UART, I2C,
// SPI and the rest of libsigrokdecode's set), their channels and options,
// and the decoding of a capture into annotations.  Plain C++: nothing of the
// decoder library (glib, Python) shows through this header.
//
// The decoder runtime starts on first use, once per process, and shuts down
// at exit.  Every function is safe to call from any thread; calls into the
// runtime are serialised.  A build without the decoder library has the same
// functions: Available() is false and List() is empty.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace decoders
{

struct ChannelInfo {
    std::string id, name, desc;
};

// An option a decoder declares: its kind (from its default value), the
// default and, when the decoder gives a list, the allowed values, all as
// text (numbers in their canonical text: 115200, 1.5).
struct OptionInfo {
    enum Kind { Text, Integer, Real };
    std::string id, desc;
    Kind kind = Text;
    std::string defaultValue;
    std::vector<std::string> values; // empty: any value of the kind
};

struct AnnotationRowInfo {
    std::string id, desc;
    std::vector<int> classes; // annotation classes shown on the row
};

struct DecoderInfo {
    std::string id, name, longname, desc;
    std::vector<ChannelInfo> channels;         // required
    std::vector<ChannelInfo> optionalChannels; // may stay unmapped
    std::vector<OptionInfo> options;
    std::vector<std::string> inputs, outputs; // "logic" for raw lines; protocol ids for stacking
    std::vector<std::string> classes;         // annotation class descriptions, by class number
    std::vector<AnnotationRowInfo> rows;      // empty: one row per class
    // Row of an annotation class: its declared row, else the class itself
    // placed after the declared rows.
    int rowOfClass(int cls) const;
    int rowCount() const;
    std::string rowName(int row) const;
};

// Whether the decoder runtime is built in and starts.  When false,
// UnavailableReason() says why, for the user.
bool Available();
std::string UnavailableReason();

// Every installed decoder, sorted by id.  The first call loads them all
// (about a second); later calls return the same list.
const std::vector<DecoderInfo> &List();
// One decoder's description, or null when it is not installed.
const DecoderInfo *Find(const std::string &id);
// Whether upper can read what lower outputs (i2c -> eeprom24xx).
bool CanStack(const DecoderInfo &lower, const DecoderInfo &upper);

// --------------------------------------------------------------- decoding

// One decoder of a decode: which decoder, where it reads from, its options.
// parent -1 reads the logic lines through channels (channel id -> line
// number; optional channels may be left out); otherwise it is stacked on the
// stage with that index (an earlier one) and reads its output.
struct Stage {
    std::string decoder;
    int parent = -1;
    std::map<std::string, int> channels;
    std::map<std::string, std::string> options; // option id -> value as text; missing: default
};

// A capture: samples of unitSize bytes each (little-endian words, bit k of
// a word = line k), at sampleRate samples per second.
struct Capture {
    const uint8_t *data = nullptr;
    uint64_t samples = 0;
    int unitSize = 2;
    double sampleRate = 0.0;
};

struct Annotation {
    uint64_t start = 0, end = 0; // sample numbers
    int stage = 0;               // index into the stages given to Decode
    int cls = 0;                 // annotation class of the stage's decoder
    int row = 0;                 // row of that class (DecoderInfo::rowOfClass)
    std::vector<std::string> texts; // longest first; shorter forms for narrow space
};

struct Result {
    std::vector<Annotation> annotations; // sorted by stage, then start sample
    // One message per stage that failed (bad channel map, bad option, an
    // exception in the decoder), "" for a stage that ran.  A failed stage
    // also stops the stages stacked on it; the other stages are unaffected.
    std::vector<std::string> messages;
    bool cancelled = false;
    bool ok() const;
};

// Asked between chunks of samples; returning true abandons the decode
// (result.cancelled).  May be empty.
using CancelCheck = bool (*)(void *context);

// Decodes a capture with the given stages.  Stages that stack form trees;
// each tree runs in a session of its own, so a failure in one leaves the
// others' annotations whole.
Result Decode(const std::vector<Stage> &stages, const Capture &capture, CancelCheck cancel = nullptr,
              void *cancelContext = nullptr);

// Checks one stage against its decoder before a decode: known decoder,
// required channels mapped to lines 0 .. lines-1, known options with values
// of the right kind and, where the decoder lists them, an allowed value.
// Returns "" or the message.  Pure: needs only the decoder's description.
std::string CheckStage(const DecoderInfo &info, const Stage &stage, int lines);

// Canonical text of a numeric option value (what OptionInfo holds), so that
// "1.50" and "1.5" compare equal; false when text is not of the kind.
bool CanonicalValue(OptionInfo::Kind kind, const std::string &text, std::string *canonical);

} // namespace decoders
