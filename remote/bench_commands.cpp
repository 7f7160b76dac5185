// The bench's SCPI subsystems.  Settings go through the panels' controls:
// a command operates the control as a user would (value, then its callback),
// a query reads the control.  A control the panel has dimmed refuses the
// command as it refuses the user ("Settings conflict").
#include "remote/bench_commands.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "generator/awg_format.h"
#include "remote/scpi_block.h"
#include "remote/scpi_status.h"
#include "shell/bench.h"
#include "ui/remote_server.h"

using scpi::Context;
using scpi::Params;
using scpi::Result;
using scpi::Value;

namespace
{

// ---------------------------------------------------------------- helpers

Result FromStatus(int status, const char *what)
{
    if (status >= 0)
        return Result::Ok();
    if (status == UIE_DIMMED)
        return Result::Fail(scpi::kSettingsConflict, std::string(what) + " is not available in this mode");
    return Result::Fail(scpi::kExecutionError, what);
}

double ReadDouble(int panel, int control)
{
    double v = 0.0;
    GetCtrlVal(panel, control, &v);
    return v;
}

int ReadInt(int panel, int control)
{
    int v = 0;
    GetCtrlVal(panel, control, &v);
    return v;
}

Result Number(double v)
{
    return Result::Reply(scpi::FormatNumber(v));
}

Result Flag(bool on)
{
    return Result::Reply(on ? "1" : "0");
}

// A number for a numeric control, within the control's own limits.
Result SetNumeric(int panel, int control, const Params &p, const char *unit, const char *what, bool integer = false)
{
    if (int e = scpi::ExpectParams(p, 1, 1))
        return Result::Fail(e);
    double lo = 0.0, hi = 0.0;
    GetCtrlAttribute(panel, control, ATTR_MIN_VALUE, &lo);
    GetCtrlAttribute(panel, control, ATTR_MAX_VALUE, &hi);
    double v = 0.0;
    if (int e = scpi::NumberIn(p[0], lo, hi, ReadDouble(panel, control), unit, v))
        return Result::Fail(e, what);
    if (integer)
        return FromStatus(OperateCtrl(panel, control, static_cast<int>(std::lround(v))), what);
    return FromStatus(OperateCtrl(panel, control, v), what);
}

Result SetSwitch(int panel, int control, const Params &p, const char *what)
{
    if (int e = scpi::ExpectParams(p, 1, 1))
        return Result::Fail(e);
    bool on = false;
    if (int e = scpi::Boolean(p[0], on))
        return Result::Fail(e, what);
    return FromStatus(OperateCtrl(panel, control, on ? 1 : 0), what);
}

scpi::Handler NoArgs(std::function<Result()> f)
{
    return [f](Context &, const Params &p) {
        if (int e = scpi::ExpectParams(p, 0, 0))
            return Result::Fail(e);
        return f();
    };
}

// The acquisition slot of physical channel ch (0..3), -1 when not acquired.
int SlotOfChannel(int ch)
{
    for (int k = 0; k < numChanIn && k < 4; ++k) {
        if (iChan[k].channel == ch && Ain[k])
            return k;
    }
    return -1;
}

// "CHANnel<n>" as a parameter: n in 1..4, or -1.
int ChannelParam(const Value &v)
{
    if (v.kind != scpi::ValueKind::Word)
        return -1;
    std::string t = v.text;
    std::size_t digits = t.size();
    while (digits > 0 && t[digits - 1] >= '0' && t[digits - 1] <= '9')
        --digits;
    if (digits == t.size() || t.size() - digits > 2)
        return -1;
    const int n = std::stoi(t.substr(digits));
    Value word = v;
    word.text = t.substr(0, digits);
    if (!word.IsWord("CHANnel") || n < 1 || n > 4)
        return -1;
    return n;
}

// ---------------------------------------------------------------- scope

int RunControl(int which)
{
    return GoStopCallback(panelScope, 0, EVENT_COMMIT, reinterpret_cast<void *>(static_cast<std::intptr_t>(which)), 0, 0);
}

// A float32 block built in one buffer, with room for the reply's newline,
// so a record of tens of megabytes is not copied again on its way out.
std::string Float32Block(const double *values, std::size_t count)
{
    const std::string digits = std::to_string(count * 4);
    std::string out;
    out.reserve(2 + digits.size() + count * 4 + 1);
    out += '#';
    out += std::to_string(digits.size());
    out += digits;
    char chunk[4096];
    std::size_t used = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const float f = static_cast<float>(values[k]);
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        for (int b = 0; b < 4; ++b)
            chunk[used++] = static_cast<char>((bits >> (8 * b)) & 0xFF); // little-endian on any host
        if (used == sizeof chunk) {
            out.append(chunk, used);
            used = 0;
        }
    }
    out.append(chunk, used);
    return out;
}

bool ScopeRecordOf(int channel, const double **values, int *count)
{
    if (channel < 1 || channel > 4 || isStreamingRAMEnabled || loop <= 0)
        return false;
    const int slot = SlotOfChannel(channel - 1);
    if (slot < 0 || !vBufferIn[slot] || RequestedSamples < 1)
        return false;
    if (!Scope_BufferHolds(iOffset, RequestedSamples))
        return false;
    // A single shot or a fresh start that has not delivered its record yet.
    *values = vBufferIn[slot] + iOffset;
    *count = RequestedSamples;
    return true;
}

// Waveform transfer settings (per bench, as on an instrument).
int waveSource = 1; // channel 1..4
enum class WaveFormat { Real, Int16, Ascii };
WaveFormat waveFormat = WaveFormat::Real;

Result Measure(const Params &p, int which)
{
    if (int e = scpi::ExpectParams(p, 0, 1))
        return Result::Fail(e);
    int channel = 1;
    if (p.size() == 1) {
        channel = ChannelParam(p[0]);
        if (channel < 0)
            return Result::Fail(scpi::kIllegalParameterValue, "CHANnel1..4");
    }
    const double *values = nullptr;
    int n = 0;
    if (!ScopeRecordOf(channel, &values, &n))
        return Result::Fail(scpi::kExecutionError, "no record of that channel");
    WaveformParameters w{};
    if (Scope_MeasureWaveform(values, n, &w) < 0)
        return Result::Fail(scpi::kExecutionError, "no samples");
    double mv = 0.0;
    switch (which) {
    case 0: mv = w.rms; break;
    case 1: mv = w.peakToPeak; break;
    case 2: mv = w.maximum; break;
    case 3: mv = w.minimum; break;
    default: mv = w.mean; break;
    }
    return Number(mv / 1000.0);
}

void AddScope(scpi::Tree &t)
{
    t.Add(":RUN", NoArgs([] {
              // Continuous Mode is dimmed while streaming is on.
              if (isStreamingRAMEnabled)
                  return Result::Fail(scpi::kSettingsConflict, "no continuous mode while streaming");
              if (RunControl(2) < 0 || !isScopeStartOn)
                  return Result::Fail(scpi::kExecutionError, "the acquisition could not start");
              return Result::Ok();
          }),
          nullptr);
    t.Add(":STOP", NoArgs([] { RunControl(3); return Result::Ok(); }), nullptr);
    t.Add(":SINGle",
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              RunControl(1);
              if (!isScopeStartOn)
                  return Result::Fail(scpi::kExecutionError, "the acquisition could not start");
              // Complete when the run has ended: its record taken, stopped or reset.
              c.session.BeginOperation([] { return !isScopeStartOn; });
              return Result::Ok();
          },
          nullptr);
    t.Add(":ACQuire:STATe", nullptr, NoArgs([] { return Flag(isScopeStartOn != 0); }));
    // Records taken since the last start (the capture tick's count).
    t.Add(":ACQuire:COUNt", nullptr, NoArgs([] { return Result::Reply(std::to_string(loop)); }));

    t.Add(":ACQuire:SRATe",
          [](Context &, const Params &p) { return SetNumeric(panelScope, SCOPE_SAMPLING_RATE, p, "S/S", "sampling rate"); },
          NoArgs([] { return Number(ReadDouble(panelScope, SCOPE_SAMPLING_RATE)); }));
    t.Add(":ACQuire:POINts",
          [](Context &, const Params &p) {
              // The limit of the channels and mode set now, as a start applies it.
              SetCtrlAttribute(panelScope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, Scope_RecordLimit());
              return SetNumeric(panelScope, SCOPE_RECORD_LENGTH, p, "", "record length", true);
          },
          NoArgs([] { return Number(ReadInt(panelScope, SCOPE_RECORD_LENGTH)); }));
    t.Add(":ACQuire:PRESamples",
          [](Context &, const Params &p) {
              return SetNumeric(panelScope, SCOPE_PRE_SAMPLES, p, "", "pre-samples", true);
          },
          NoArgs([] { return Number(ReadInt(panelScope, SCOPE_PRE_SAMPLES)); }));

    // Averaging: the advanced panel's box and count, applied with its OK.
    t.Add(":ACQuire:AVERage[:STATe]",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              bool on = false;
              if (int e = scpi::Boolean(p[0], on))
                  return Result::Fail(e);
              if (on && isStreamingRAMEnabled)
                  return Result::Fail(scpi::kSettingsConflict, "averaging and streaming exclude each other");
              SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, on ? 1 : 0);
              onOK_Ad_Scope(panelAd_Scope, AD_SCOPE_OK, EVENT_COMMIT, nullptr, 0, 0);
              return Result::Ok();
          },
          NoArgs([] { return Flag(is_AverageON != 0); }));
    t.Add(":ACQuire:AVERage:COUNt",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              long n = 0;
              if (int e = scpi::IntegerIn(p[0], 1, 32767, 4, n))
                  return Result::Fail(e, "average count");
              SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGE_COUNT, static_cast<int>(n));
              onOK_Ad_Scope(panelAd_Scope, AD_SCOPE_OK, EVENT_COMMIT, nullptr, 0, 0);
              return Result::Ok();
          },
          NoArgs([] { return Number(average_count); }));

    t.Add(":DISPlay:PERSistence",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              bool on = false;
              if (int e = scpi::Boolean(p[0], on))
                  return Result::Fail(e);
              if (on != (is_PersistanceON != 0))
                  return FromStatus(Toolbar_PressItem(Toolbar, kToolbarPersistence), "persistence");
              return Result::Ok();
          },
          NoArgs([] { return Flag(is_PersistanceON != 0); }));

    // The input filter: its on/off switch as the filter panel's close takes it.
    t.Add(":FILTer[:STATe]",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              bool on = false;
              if (int e = scpi::Boolean(p[0], on))
                  return Result::Fail(e);
              SetCtrlVal(panelFilter, FILTER_ONOFF, on ? 1 : 0);
              isFilterON = on ? 1 : 0;
              return Result::Ok();
          },
          NoArgs([] { return Flag(isFilterON != 0); }));

    // Channels.
    t.Add(":CHANnel#(1-4):DISPlay",
          [](Context &c, const Params &p) {
              return SetSwitch(panelAin, kEnableBoxes[c.suffixes[0] - 1], p, "channel enable");
          },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              return Flag(ReadInt(panelAin, kEnableBoxes[c.suffixes[0] - 1]) != 0);
          });
    t.Add(":CHANnel#(1-4):RANGe",
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              double v = 0.0;
              const double smallest = kInputRanges[0].volts;
              const double largest = kInputRanges[std::size(kInputRanges) - 1].volts;
              if (int e = scpi::NumberIn(p[0], smallest, largest, kInputRanges[kDefaultInputRange].volts, "V", v))
                  return Result::Fail(e, "range");
              // The smallest range that holds the value asked for.
              double range = largest;
              for (const ScopeInputRange &r : kInputRanges) {
                  if (r.volts >= v * (1.0 - 1e-9)) {
                      range = r.volts;
                      break;
                  }
              }
              return FromStatus(OperateCtrl(panelRange, kRangeRings[c.suffixes[0] - 1], range), "range");
          },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              return Number(ReadDouble(panelRange, kRangeRings[c.suffixes[0] - 1]));
          });
    t.Add(":CHANnel#(1-4):GAIN",
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              const int slot = SlotOfChannel(static_cast<int>(c.suffixes[0] - 1));
              if (slot < 0)
                  return Result::Fail(scpi::kSettingsConflict, "channel not acquired");
              double lo = 0.0, hi = 0.0, v = 0.0;
              GetCtrlAttribute(panelScope, SCOPE_VERTICAL_GAIN, ATTR_MIN_VALUE, &lo);
              GetCtrlAttribute(panelScope, SCOPE_VERTICAL_GAIN, ATTR_MAX_VALUE, &hi);
              if (int e = scpi::NumberIn(p[0], lo, hi, 1.0, "", v))
                  return Result::Fail(e, "gain");
              // The panel's way: select the channel in the ring, then set the gain.
              int rc = OperateCtrl(panelScope, SCOPE_VERTICAL_CHANNEL, slot);
              if (rc >= 0)
                  rc = OperateCtrl(panelScope, SCOPE_VERTICAL_GAIN, v);
              return FromStatus(rc, "gain");
          },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              const int slot = SlotOfChannel(static_cast<int>(c.suffixes[0] - 1));
              if (slot < 0)
                  return Result::Fail(scpi::kSettingsConflict, "channel not acquired");
              return Number(VerticalScale[slot]);
          });
    t.Add(":CHANnel#(1-4):OFFSet",
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              const int slot = SlotOfChannel(static_cast<int>(c.suffixes[0] - 1));
              if (slot < 0)
                  return Result::Fail(scpi::kSettingsConflict, "channel not acquired");
              double v = 0.0;
              if (int e = scpi::NumberIn(p[0], -4.0, 4.0, 0.0, "V", v))
                  return Result::Fail(e, "offset");
              // The channel's offset marker, as dragging it leaves it.
              double x = 0.0, y = 0.0;
              GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 3 + slot, &x, &y);
              SetGraphCursor(panelScope, SCOPE_TIMEGRAPH, 3 + slot, x, v);
              VerticalOffset[slot] = v;
              return Result::Ok();
          },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              const int slot = SlotOfChannel(static_cast<int>(c.suffixes[0] - 1));
              if (slot < 0)
                  return Result::Fail(scpi::kSettingsConflict, "channel not acquired");
              return Number(VerticalOffset[slot]);
          });

    // Trigger.
    t.Add(":TRIGger:SOURce",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              int value = -1;
              if (p[0].IsWord("EXTernal")) {
                  value = kTriggerExt;
              } else if (p[0].IsWord("NONE")) {
                  value = kTriggerNone;
              } else {
                  const int ch = ChannelParam(p[0]);
                  if (ch < 0)
                      return Result::Fail(scpi::kIllegalParameterValue, "CHANnel1..4, EXTernal or NONE");
                  value = SlotOfChannel(ch - 1);
                  if (value < 0)
                      return Result::Fail(scpi::kSettingsConflict, "channel not acquired");
              }
              return FromStatus(OperateCtrl(panelScope, SCOPE_TRIGGER_SOURCE, value), "trigger source");
          },
          NoArgs([] {
              const int v = ReadInt(panelScope, SCOPE_TRIGGER_SOURCE);
              if (v == kTriggerNone)
                  return Result::Reply("NONE");
              if (v == kTriggerExt)
                  return Result::Reply("EXT");
              if (v >= 0 && v < 4)
                  return Result::Reply("CHAN" + std::to_string(iChan[v].channel + 1));
              return Result::Reply("NONE");
          }));
    t.Add(":TRIGger:SLOPe",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              int v = -1;
              if (p[0].IsWord("POSitive"))
                  v = 1;
              else if (p[0].IsWord("NEGative"))
                  v = 0;
              else
                  return Result::Fail(scpi::kIllegalParameterValue, "POSitive or NEGative");
              return FromStatus(OperateCtrl(panelScope, SCOPE_TRIGGER_SLOPE, v), "trigger slope");
          },
          NoArgs([] { return Result::Reply(ReadInt(panelScope, SCOPE_TRIGGER_SLOPE) ? "POS" : "NEG"); }));
    t.Add(":TRIGger:LEVel",
          [](Context &, const Params &p) { return SetNumeric(panelScope, SCOPE_TRIGGER_LEVEL, p, "V", "trigger level"); },
          NoArgs([] { return Number(ReadDouble(panelScope, SCOPE_TRIGGER_LEVEL)); }));

    // Measurements on the last record.
    const char *const names[5] = {":MEASure:VRMS", ":MEASure:VPP", ":MEASure:VMAX", ":MEASure:VMIN", ":MEASure:VAVerage"};
    for (int i = 0; i < 5; ++i)
        t.Add(names[i], nullptr, [i](Context &, const Params &p) { return Measure(p, i); });

    // Waveform transfer.
    t.Add(":WAVeform:SOURce",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              const int ch = ChannelParam(p[0]);
              if (ch < 0)
                  return Result::Fail(scpi::kIllegalParameterValue, "CHANnel1..4");
              waveSource = ch;
              return Result::Ok();
          },
          NoArgs([] { return Result::Reply("CHAN" + std::to_string(waveSource)); }));
    t.Add(":WAVeform:FORMat",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              if (p[0].IsWord("REAL"))
                  waveFormat = WaveFormat::Real;
              else if (p[0].IsWord("INT16") || p[0].IsWord("WORD"))
                  waveFormat = WaveFormat::Int16;
              else if (p[0].IsWord("ASCii"))
                  waveFormat = WaveFormat::Ascii;
              else
                  return Result::Fail(scpi::kIllegalParameterValue, "REAL, INT16 or ASCii");
              return Result::Ok();
          },
          NoArgs([] {
              return Result::Reply(waveFormat == WaveFormat::Real    ? "REAL"
                                   : waveFormat == WaveFormat::Int16 ? "INT16"
                                                                     : "ASC");
          }));
    t.Add(":WAVeform:PREamble", nullptr, NoArgs([] {
              const double *values = nullptr;
              int n = 0;
              if (!ScopeRecordOf(waveSource, &values, &n))
                  return Result::Fail(scpi::kExecutionError, "no record of that channel");
              const int slot = SlotOfChannel(waveSource - 1);
              const double range = slot >= 0 ? iRange[slot] : 1.0;
              const double yinc = waveFormat == WaveFormat::Int16 ? range / 32767.0 : 1.0;
              const double fmt = waveFormat == WaveFormat::Real ? 2 : waveFormat == WaveFormat::Int16 ? 1 : 0;
              const double fields[6] = {fmt, double(n), dTimeStep, iOffset * dTimeStep, yinc, 0.0};
              return Result::Reply(scpi::FormatAsciiList(fields, 6));
          }));
    t.Add(":WAVeform:DATA", nullptr, NoArgs([] {
              const double *values = nullptr;
              int n = 0;
              if (!ScopeRecordOf(waveSource, &values, &n))
                  return Result::Fail(scpi::kExecutionError, "no record of that channel");
              if (waveFormat == WaveFormat::Real)
                  return Result::Reply(Float32Block(values, static_cast<std::size_t>(n)));
              if (waveFormat == WaveFormat::Ascii)
                  return Result::Reply(scpi::FormatAsciiList(values, static_cast<std::size_t>(n)));
              const int slot = SlotOfChannel(waveSource - 1);
              const double range = slot >= 0 ? iRange[slot] : 1.0;
              std::vector<std::int16_t> codes(static_cast<std::size_t>(n));
              for (int i = 0; i < n; ++i)
                  codes[static_cast<std::size_t>(i)] = Scope_VoltsToCode(values[i], range);
              return Result::Reply(scpi::EncodeInt16Block(codes.data(), codes.size()));
          }));
}

// Word parameter to a ring value: words[i] gives values[i].
Result SetRingWord(int panel, int control, const Params &p, const char *const *words, const int *values, int count,
                   const char *what)
{
    if (int e = scpi::ExpectParams(p, 1, 1))
        return Result::Fail(e);
    for (int i = 0; i < count; ++i) {
        if (p[0].IsWord(words[i]))
            return FromStatus(OperateCtrl(panel, control, values[i]), what);
    }
    return Result::Fail(scpi::kIllegalParameterValue, what);
}

Result RingWord(int panel, int control, const char *const *shortWords, const int *values, int count)
{
    const int v = ReadInt(panel, control);
    for (int i = 0; i < count; ++i) {
        if (values[i] == v)
            return Result::Reply(shortWords[i]);
    }
    return Result::Reply(std::to_string(v));
}

const char *const kCouplingWords[3] = {"DC", "AC", "GND"};
const int kCouplingValues[3] = {0, 1, 2};
const char *const kWindowWords[10] = {"NONE",   "HANNing", "HAMMing", "BH3",     "EBLackman",
                                      "BLACkman", "FLATtop", "BH4",     "BH7",     "LSIDelobe"};
const char *const kWindowShort[10] = {"NONE", "HANN", "HAMM", "BH3", "EBL", "BLAC", "FLAT", "BH4", "BH7", "LSID"};
const int kWindowValues[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
const char *const kFilterWords[4] = {"LPASs", "HPASs", "BPASs", "BSTop"};
const char *const kFilterShort[4] = {"LPAS", "HPAS", "BPAS", "BST"};
const int kFilterValues[4] = {0, 1, 2, 3};

// An advanced-panel box, applied with the panel's OK as the user does.
Result SetAdvancedBox(int control, bool on)
{
    SetCtrlVal(panelAd_Scope, control, on ? 1 : 0);
    // The two modes exclude each other, as the panel's boxes do.
    if (on && control == AD_SCOPE_STREAMING)
        SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, 0);
    onOK_Ad_Scope(panelAd_Scope, AD_SCOPE_OK, EVENT_COMMIT, nullptr, 0, 0);
    return Result::Ok();
}

void AddScopeMore(scpi::Tree &t)
{
    t.Add(":CHANnel#(1-4):COUPling",
          [](Context &c, const Params &p) {
              return SetRingWord(panelCoupling, kCouplingRings[c.suffixes[0] - 1], p, kCouplingWords, kCouplingValues,
                                 3, "DC, AC or GND");
          },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              return RingWord(panelCoupling, kCouplingRings[c.suffixes[0] - 1], kCouplingWords, kCouplingValues, 3);
          });
    t.Add(":ACQuire:STReaming",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              bool on = false;
              if (int e = scpi::Boolean(p[0], on))
                  return Result::Fail(e);
              if (isScopeStartOn)
                  return Result::Fail(scpi::kSettingsConflict, "stop the acquisition first");
              return SetAdvancedBox(AD_SCOPE_STREAMING, on);
          },
          NoArgs([] { return Flag(isStreamingRAMEnabled != 0); }));
    t.Add(":ACQuire:DECimation",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              long n = 0;
              if (int e = scpi::IntegerIn(p[0], 1, 32767, 1, n))
                  return Result::Fail(e, "decimation");
              SetCtrlVal(panelAd_Scope, AD_SCOPE_DECIMATION, static_cast<int>(n));
              onOK_Ad_Scope(panelAd_Scope, AD_SCOPE_OK, EVENT_COMMIT, nullptr, 0, 0);
              return Result::Ok();
          },
          NoArgs([] { return Number(ReadInt(panelAd_Scope, AD_SCOPE_DECIMATION)); }));
    t.Add(":SPECtrum[:STATe]",
          [](Context &, const Params &p) { return SetSwitch(panelScope, SCOPE_FFT_SWITCH, p, "spectrum view"); },
          NoArgs([] { return Flag(isFFT_On != 0); }));
    t.Add(":SPECtrum:WINDow",
          [](Context &, const Params &p) {
              return SetRingWord(panelScope, SCOPE_FFT_WINDOW, p, kWindowWords, kWindowValues, 10, "window");
          },
          NoArgs([] { return RingWord(panelScope, SCOPE_FFT_WINDOW, kWindowShort, kWindowValues, 10); }));
    // The filter's settings: its panel's controls, which the filter reads
    // when it designs itself for a record.
    t.Add(":FILTer:TYPE",
          [](Context &, const Params &p) {
              return SetRingWord(panelFilter, FILTER_TYPE, p, kFilterWords, kFilterValues, 4, "LPASs, HPASs, BPASs or BSTop");
          },
          NoArgs([] { return RingWord(panelFilter, FILTER_TYPE, kFilterShort, kFilterValues, 4); }));
    t.Add(":FILTer:LOW",
          [](Context &, const Params &p) { return SetNumeric(panelFilter, FILTER_LOW_FREQ, p, "HZ", "low cut-off"); },
          NoArgs([] { return Number(ReadDouble(panelFilter, FILTER_LOW_FREQ)); }));
    t.Add(":FILTer:HIGH",
          [](Context &, const Params &p) { return SetNumeric(panelFilter, FILTER_HIGH_FREQ, p, "HZ", "high cut-off"); },
          NoArgs([] { return Number(ReadDouble(panelFilter, FILTER_HIGH_FREQ)); }));
    t.Add(":FILTer:TAPS",
          [](Context &, const Params &p) {
              Result r = SetNumeric(panelFilter, FILTER_TAPS, p, "", "taps", true);
              if (r.error == scpi::kNoError)
                  Tap = ReadInt(panelFilter, FILTER_TAPS);
              return r;
          },
          NoArgs([] { return Number(ReadInt(panelFilter, FILTER_TAPS)); }));
}

// The spectrum of the waveform source's last record: its bins and the
// frequency step; false when there is none (view off, no record since the
// start, the spectrum step failed).
bool SpectrumOf(int channel, const double **bins, int *count, double *stepHz)
{
    if (!isFFT_On || loop <= 0 || isStreamingRAMEnabled || channel < 1 || channel > 4)
        return false;
    const int slot = SlotOfChannel(channel - 1);
    if (slot < 0 || !spectrum[slot])
        return false;
    const int n = scopeState.spectrumBins[slot];
    if (n <= 0 || n > RequestedSamples / 2 || !Scope_BufferHolds(0, RequestedSamples))
        return false;
    *bins = spectrum[slot];
    *count = n;
    *stepHz = dFreqStep * 1000.0;
    return true;
}

void AddSpectrumData(scpi::Tree &t)
{
    t.Add(":SPECtrum:PREamble", nullptr, NoArgs([] {
              const double *bins = nullptr;
              int n = 0;
              double step = 0.0;
              if (!SpectrumOf(waveSource, &bins, &n, &step))
                  return Result::Fail(scpi::kExecutionError, "no spectrum of that channel");
              const double fields[2] = {double(n), step};
              return Result::Reply(scpi::FormatAsciiList(fields, 2));
          }));
    t.Add(":SPECtrum:DATA", nullptr, NoArgs([] {
              const double *bins = nullptr;
              int n = 0;
              double step = 0.0;
              if (!SpectrumOf(waveSource, &bins, &n, &step))
                  return Result::Fail(scpi::kExecutionError, "no spectrum of that channel");
              if (waveFormat == WaveFormat::Ascii)
                  return Result::Reply(scpi::FormatAsciiList(bins, static_cast<std::size_t>(n)));
              return Result::Reply(Float32Block(bins, static_cast<std::size_t>(n)));
          }));
}

// Measurement cursors 1 and 2: the toolbar's cursor buttons, a drag of the
// cursor on the time graph, and the readouts the panel shows.
std::string ReadText(int panel, int control)
{
    char text[1024] = "";
    GetCtrlVal(panel, control, text);
    return text;
}

void AddCursors(scpi::Tree &t)
{
    t.Add(":CURSor#(1-2):STATe",
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              bool on = false;
              if (int e = scpi::Boolean(p[0], on))
                  return Result::Fail(e);
              const int which = static_cast<int>(c.suffixes[0]);
              const bool now = (which == 1 ? Cursor1 : Cursor2) != 0;
              if (on == now)
                  return Result::Ok();
              return FromStatus(Toolbar_PressItem(Toolbar, which == 1 ? kToolbarCursor1 : kToolbarCursor2), "cursor");
          },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              return Flag((c.suffixes[0] == 1 ? Cursor1 : Cursor2) != 0);
          });
    // Position in samples from the left of the view.
    t.Add(":CURSor#(1-2):POSition",
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              const int which = static_cast<int>(c.suffixes[0]);
              if ((which == 1 ? Cursor1 : Cursor2) == 0)
                  return Result::Fail(scpi::kSettingsConflict, "the cursor is off");
              const int last = Scroll_Thumb_Size > 1 ? Scroll_Thumb_Size - 1 : 0;
              double x = 0.0;
              if (int e = scpi::NumberIn(p[0], 0.0, last, last / 2.0, "", x))
                  return Result::Fail(e, "position");
              double oldX = 0.0, y = 0.0;
              GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, which, &oldX, &y);
              return FromStatus(DragGraphCursor(panelScope, SCOPE_TIMEGRAPH, which, std::floor(x), y, 1), "cursor");
          },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              double x = 0.0, y = 0.0;
              GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, static_cast<int>(c.suffixes[0]), &x, &y);
              return Number(x);
          });
    // The readouts as the panel shows them: "<time>","<voltage>".
    t.Add(":CURSor#(1-2):READout", nullptr, [](Context &c, const Params &p) {
        if (int e = scpi::ExpectParams(p, 0, 0))
            return Result::Fail(e);
        const int which = static_cast<int>(c.suffixes[0]);
        if ((which == 1 ? Cursor1 : Cursor2) == 0)
            return Result::Fail(scpi::kSettingsConflict, "the cursor is off");
        return Result::Reply(scpi::QuoteString(ReadText(panelScope, which == 1 ? int(SCOPE_C1_TIME) : int(SCOPE_C2_TIME))) + "," +
                             scpi::QuoteString(ReadText(panelScope, which == 1 ? int(SCOPE_C1_VOLT) : int(SCOPE_C2_VOLT))));
    });
    t.Add(":CURSor:DELTa", nullptr, NoArgs([] {
              if (!Cursor1 || !Cursor2)
                  return Result::Fail(scpi::kSettingsConflict, "both cursors must be on");
              return Result::Reply(scpi::QuoteString(ReadText(panelScope, SCOPE_DELTA_T)));
          }));
}

// ---------------------------------------------------------------- generator

const int kTypeRings[2] = {GENE_CH1_TYPE, GENE_CH2_TYPE};
const int kAmplitudes[2] = {GENE_CH1_AMPLITUDE, GENE_CH2_AMPLITUDE};
const int kOffsets[2] = {GENE_CH1_OFFSET, GENE_CH2_OFFSET};
const int kPhases[2] = {GENE_CH1_PHASE, GENE_CH2_PHASE};
const int kSwitches[2] = {GENE_CH1_SWITCH, GENE_CH2_SWITCH};
const int kNoiseBoxes[2] = {GENE_CH1_NOISE, GENE_CH2_NOISE};
const char *const kFunctionNames[7] = {"SIN", "SQU", "TRI", "RAMP", "NOIS", "DC", "ARB"};
const char *const kFunctionMnemonics[7] = {"SINusoid", "SQUare", "TRIangle", "RAMP", "NOISe", "DC", "ARBitrary"};

int Channel(const Context &c)
{
    return static_cast<int>(c.suffixes[0] - 1);
}

void AddGenerator(scpi::Tree &t)
{
    t.Add("[:SOURce#(1-2)]:FUNCtion[:SHAPe]",
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              int type = -1;
              for (int i = 0; i < 7; ++i) {
                  if (p[0].IsWord(kFunctionMnemonics[i]))
                      type = i;
              }
              if (type < 0)
                  return Result::Fail(scpi::kIllegalParameterValue, "SIN, SQU, TRI, RAMP, NOIS, DC or ARB");
              if (type == 6)
                  // A file has no name here: :SOURce1:ARBitrary:LOAD names it.
                  return Result::Fail(scpi::kSettingsConflict, "load a file with :SOURce1:ARBitrary:LOAD '<path>'");
              return FromStatus(OperateCtrl(panelGene, kTypeRings[Channel(c)], type), "function");
          },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              const int v = ReadInt(panelGene, kTypeRings[Channel(c)]);
              return Result::Reply(v >= 0 && v < 7 ? kFunctionNames[v] : "SIN");
          });
    // CH1 plays an ".awg" file named by its path, loaded as the panel's
    // file dialog loads its choice; a refusal goes to the error queue.
    t.Add("[:SOURce#(1-2)]:ARBitrary:LOAD", [](Context &c, const Params &p) {
        if (int e = scpi::ExpectParams(p, 1, 1))
            return Result::Fail(e);
        if (p[0].kind != scpi::ValueKind::String)
            return Result::Fail(scpi::kDataTypeError, "a quoted file path");
        if (Channel(c) != 0)
            return Result::Fail(scpi::kSettingsConflict, "only CH1 plays a file");
        const std::string &path = p[0].text;
        if (path.empty() || path.find('\0') != std::string::npos)
            return Result::Fail(scpi::kFileNameError, "an empty or malformed path");
        std::string message;
        const int status = Generator_LoadArbitrary(path.c_str(), &message);
        if (status == kAwgOk)
            return Result::Ok();
        if (status == kAwgOpenError) {
            struct stat info;
            if (stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR))
                return Result::Fail(scpi::kFileNameNotFound, path);
            return Result::Fail(scpi::kFileNameError, path + ": not a readable regular file");
        }
        return Result::Fail(scpi::kExecutionError, message);
    }, nullptr);
    // One frequency for both channels.
    t.Add("[:SOURce#(1-2)]:FREQuency[:CW]",
          [](Context &, const Params &p) { return SetNumeric(panelGene, GENE_FREQUENCY, p, "HZ", "frequency"); },
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              return Number(ReadDouble(panelGene, GENE_FREQUENCY));
          });
    t.Add("[:SOURce#(1-2)]:VOLTage[:AMPLitude]",
          [](Context &c, const Params &p) { return SetNumeric(panelGene, kAmplitudes[Channel(c)], p, "V", "amplitude"); },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              return Number(ReadDouble(panelGene, kAmplitudes[Channel(c)]));
          });
    t.Add("[:SOURce#(1-2)]:VOLTage:OFFSet",
          [](Context &c, const Params &p) { return SetNumeric(panelGene, kOffsets[Channel(c)], p, "V", "offset"); },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              return Number(ReadDouble(panelGene, kOffsets[Channel(c)]));
          });
    t.Add("[:SOURce#(1-2)]:PHASe",
          [](Context &c, const Params &p) { return SetNumeric(panelGene, kPhases[Channel(c)], p, "DEG", "phase"); },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              return Number(ReadDouble(panelGene, kPhases[Channel(c)]));
          });
    t.Add("[:SOURce#(1-2)]:NOISe",
          [](Context &c, const Params &p) { return SetSwitch(panelGene, kNoiseBoxes[Channel(c)], p, "noise"); },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              return Flag(ReadInt(panelGene, kNoiseBoxes[Channel(c)]) != 0);
          });
    // The advanced sine of CH1: its panel's boxes, applied with its OK.
    struct AdvancedBox {
        const char *pattern;
        int control;
        const char *unit;
        bool integer;
    };
    static const AdvancedBox boxes[] = {
        {"[:SOURce#(1-1)]:ASINe:POINts", AD_GENE_POINTS, "", true},
        {"[:SOURce#(1-1)]:ASINe:PERiods", AD_GENE_PERIODS, "", true},
        {"[:SOURce#(1-1)]:ASINe:CLOCk", AD_GENE_CLOCK, "HZ", false},
        {"[:SOURce#(1-1)]:ASINe:AMPLitude", AD_GENE_AMPLITUDE, "V", false},
        {"[:SOURce#(1-1)]:ASINe:OFFSet", AD_GENE_OFFSET, "V", false},
    };
    for (const AdvancedBox &b : boxes) {
        const AdvancedBox *box = &b;
        t.Add(b.pattern,
              [box](Context &, const Params &p) {
                  return SetNumeric(panelAd_Gene, box->control, p, box->unit, "advanced sine", box->integer);
              },
              [box](Context &, const Params &p) {
                  if (int e = scpi::ExpectParams(p, 0, 0))
                      return Result::Fail(e);
                  return Number(ReadDouble(panelAd_Gene, box->control));
              });
    }
    t.Add("[:SOURce#(1-1)]:ASINe:FREQuency", nullptr, [](Context &, const Params &p) {
        if (int e = scpi::ExpectParams(p, 0, 0))
            return Result::Fail(e);
        return Number(ReadDouble(panelAd_Gene, AD_GENE_FREQUENCY));
    });
    t.Add("[:SOURce#(1-1)]:ASINe:APPLy",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              const int rc = OperateCtrl(panelAd_Gene, AD_GENE_OK, 0);
              if (rc < 0 || (!isAdvancedWaveformON && ch1Source != kCh1Advanced))
                  return Result::Fail(scpi::kExecutionError, "the advanced sine could not be built");
              return Result::Ok();
          },
          nullptr);
    t.Add(":OUTPut#(1-2)[:STATe]",
          [](Context &c, const Params &p) { return SetSwitch(panelGene, kSwitches[Channel(c)], p, "output"); },
          [](Context &c, const Params &p) {
              if (int e = scpi::ExpectParams(p, 0, 0))
                  return Result::Fail(e);
              return Flag(ReadInt(panelGene, kSwitches[Channel(c)]) != 0);
          });
}

// ---------------------------------------------------------------- voltmeter

void AddVoltmeter(scpi::Tree &t)
{
    auto measure = [](int kind) {
        return [kind](Context &, const Params &p) {
            if (int e = scpi::ExpectParams(p, 0, 1))
                return Result::Fail(e);
            int channel = 1;
            if (p.size() == 1) {
                channel = ChannelParam(p[0]);
                if (channel < 0)
                    return Result::Fail(scpi::kIllegalParameterValue, "CHANnel1..4");
            }
            // The voltmeter panel's channel and measure, then its reading.
            SetCtrlVal(panelVoltmeter, VOLTMETER_CHANNEL, channel - 1);
            SetCtrlVal(panelVoltmeter, VOLTMETER_MEASURE, kind);
            ReadVolt();
            return Number(Voltmeter_Reading());
        };
    };
    t.Add(":MEASure:VOLTage[:DC]", nullptr, measure(kMeasureDC));
    t.Add(":MEASure:VOLTage:AC", nullptr, measure(kMeasureACRMS));
    // The voltmeter panel's range: AUTO, 1 (V) or 10 (V).
    t.Add(":VOLTmeter:RANGe",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              int v = -1;
              if (p[0].IsWord("AUTO"))
                  v = kRangeAuto;
              else if (p[0].IsNumber() && (p[0].unit.empty() || p[0].unit == "V") && p[0].number == 1.0)
                  v = kRange1V;
              else if (p[0].IsNumber() && (p[0].unit.empty() || p[0].unit == "V") && p[0].number == 10.0)
                  v = kRange10V;
              else
                  return Result::Fail(scpi::kIllegalParameterValue, "AUTO, 1 or 10");
              return FromStatus(OperateCtrl(panelVoltmeter, VOLTMETER_RANGE, v), "range");
          },
          NoArgs([] {
              const int v = ReadInt(panelVoltmeter, VOLTMETER_RANGE);
              return Result::Reply(v == kRange1V ? "1" : v == kRange10V ? "10" : "AUTO");
          }));
}

// ---------------------------------------------------------------- digital analyzer

void AddDigital(scpi::Tree &t)
{
    t.Add(":DIGital:RUN", NoArgs([] { return FromStatus(isDigitalON ? 0 : OperateCtrl(panelDig, DIG_RUN, 1), "run"); }),
          nullptr);
    t.Add(":DIGital:STOP", NoArgs([] { return FromStatus(isDigitalON ? OperateCtrl(panelDig, DIG_RUN, 0) : 0, "stop"); }),
          nullptr);
    t.Add(":DIGital:STATe", nullptr, NoArgs([] { return Flag(isDigitalON != 0); }));
    t.Add(":DIGital:SRATe",
          [](Context &, const Params &p) { return SetNumeric(panelDig, DIG_RATE, p, "S/S", "sample rate"); },
          NoArgs([] { return Number(ReadDouble(panelDig, DIG_RATE)); }));
    t.Add(":DIGital:POINts",
          [](Context &, const Params &p) { return SetNumeric(panelDig, DIG_SAMPLES, p, "", "sample count", true); },
          NoArgs([] { return Number(ReadInt(panelDig, DIG_SAMPLES)); }));
    // The last capture: one little-endian 16-bit word per sample, line k in bit k.
    t.Add(":DIGital:DATA", nullptr, NoArgs([] {
              const std::size_t bytes = static_cast<std::size_t>(dSamples > 0 ? dSamples : 0) * 2;
              if (bytes == 0 || dBufferIn.size() < bytes || ticks_digital <= 0.0)
                  return Result::Fail(scpi::kExecutionError, "no capture");
              return Result::Reply(scpi::EncodeBlock(
                  std::string_view(reinterpret_cast<const char *>(dBufferIn.data()), bytes)));
          }));
}

// ---------------------------------------------------------------- files

bool EndsWith(const std::string &s, const char *suffix)
{
    const std::size_t n = std::strlen(suffix);
    if (s.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = s[s.size() - n + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

// A file name parameter: a string, not empty, without a NUL.
int PathParam(const Value &v, std::string &path)
{
    if (v.kind != scpi::ValueKind::String)
        return scpi::kDataTypeError;
    if (v.text.empty() || v.text.find('\0') != std::string::npos || v.text.size() > 1023)
        return scpi::kIllegalParameterValue;
    path = v.text;
    return scpi::kNoError;
}

void AddFiles(scpi::Tree &t)
{
    // A scope record as the Save panel writes it: ".asc", ".awg" or ".dat".
    t.Add(":MMEMory:STORe:WAVeform",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 2))
                  return Result::Fail(e);
              std::string path;
              if (int e = PathParam(p[0], path))
                  return Result::Fail(e, "file name");
              int channel = waveSource;
              if (p.size() == 2) {
                  channel = ChannelParam(p[1]);
                  if (channel < 0)
                      return Result::Fail(scpi::kIllegalParameterValue, "CHANnel1..4");
              }
              if (!EndsWith(path, ".asc") && !EndsWith(path, ".awg") && !EndsWith(path, ".dat"))
                  return Result::Fail(scpi::kIllegalParameterValue, "a .asc, .awg or .dat file");
              const double *values = nullptr;
              int n = 0;
              if (!ScopeRecordOf(channel, &values, &n))
                  return Result::Fail(scpi::kExecutionError, "no record of that channel");
              const int slot = SlotOfChannel(channel - 1);
              ScopeFileHeader header{};
              GetSystemDate(&header.month, &header.day, &header.year);
              GetSystemTime(&header.hours, &header.minutes, &header.seconds);
              header.clockRate = iClockRate;
              header.range = iRange[slot];
              header.samples = n;
              header.preSamples = pre_iSample;
              if (Scope_WriteRecordFile(path.c_str(), 0, header, channel, values, n) != 0)
                  return Result::Fail(scpi::kExecutionError, "cannot write " + path);
              return Result::Ok();
          },
          nullptr);
    // A hard copy of the scope panel as it is drawn now.
    t.Add(":HCOPy:DATA", nullptr, NoArgs([] {
              std::string png;
              if (RemoteServer_PanelImage(panelScope, &png) < 0 || png.empty())
                  return Result::Fail(scpi::kExecutionError, "no image of the scope panel");
              return Result::Reply(scpi::EncodeBlock(png));
          }));
    // Setup files as File > Load Setup / Save Setup read and write them.
    t.Add(":MMEMory:LOAD:SETup",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              std::string path;
              if (int e = PathParam(p[0], path))
                  return Result::Fail(e, "file name");
              if (Setup_ReadFile(path.c_str()) < 0)
                  return Result::Fail(scpi::kExecutionError, "cannot read the setup file " + path);
              return Result::Ok();
          },
          nullptr);
    t.Add(":MMEMory:STORe:SETup",
          [](Context &, const Params &p) {
              if (int e = scpi::ExpectParams(p, 1, 1))
                  return Result::Fail(e);
              std::string path;
              if (int e = PathParam(p[0], path))
                  return Result::Fail(e, "file name");
              SetupValues values;
              Setup_UserValues(values);
              if (Setup_WriteValues(path.c_str(), values) != 0)
                  return Result::Fail(scpi::kExecutionError, "cannot write " + path);
              return Result::Ok();
          },
          nullptr);
}

} // namespace

bool Remote_ScopeRecord(int channel, const double **values, int *count)
{
    return ScopeRecordOf(channel, values, count);
}

void Remote_ResetBench(void)
{
    // Runs stop as their panels stop them.
    if (isScopeStartOn || isScopeContOn)
        RunControl(3);
    for (int control : kSwitches) {
        if (ReadInt(panelGene, control))
            OperateCtrl(panelGene, control, 0);
    }
    if (isDigitalON)
        OperateCtrl(panelDig, DIG_RUN, 0);
    if (isVoltmeterON)
        OperateCtrl(panelVoltmeter, VOLTMETER_CLOSE, 0); // off and put away, as at start-up
    if (isFFT_On)
        OperateCtrl(panelScope, SCOPE_FFT_SWITCH, 0);
    if (is_PersistanceON)
        Toolbar_PressItem(Toolbar, kToolbarPersistence);

    // The settings of a bench started without a setup file, applied as a
    // setup file is (nothing is written).
    const SetupValues startup;
    Setup_Store(startup);
    Setup_Apply();

    SetCtrlVal(panelFilter, FILTER_ONOFF, 0);
    SetCtrlVal(panelFilter, FILTER_TYPE, 0);
    SetCtrlVal(panelFilter, FILTER_LOW_FREQ, 1000.0);
    SetCtrlVal(panelFilter, FILTER_HIGH_FREQ, 10000.0);
    SetCtrlVal(panelFilter, FILTER_TAPS, 63);
    isFilterON = 0;
    Tap = 63;
    SetCtrlVal(panelVoltmeter, VOLTMETER_RANGE, kRangeAuto);
    SetCtrlVal(panelScope, SCOPE_FFT_WINDOW, 0);
    OperateCtrl(panelScope, SCOPE_VERTICAL_CHANNEL, kVerticalAll);
    OperateCtrl(panelScope, SCOPE_VERTICAL_GAIN, 1.0);

    // The last record belongs to the settings before the reset.
    loop = 0;
    waveSource = 1;
    waveFormat = WaveFormat::Real;
}

void Remote_BuildBenchTree(scpi::Tree &tree)
{
    scpi::CommonHooks hooks;
    hooks.serial = [] {
        char serial[256] = "";
        GetCtrlVal(panelAbout, ABOUT_SERIAL, serial);
        return std::string(serial);
    };
    hooks.version = "2.0";
    hooks.reset = [] { Remote_ResetBench(); };
    hooks.selfTest = [] { return panelScope > 0 && panelGene > 0 ? 0 : 1; };
    scpi::InstallCommonCommands(tree, hooks);
    AddScope(tree);
    AddScopeMore(tree);
    AddSpectrumData(tree);
    AddCursors(tree);
    AddGenerator(tree);
    AddVoltmeter(tree);
    AddDigital(tree);
    AddFiles(tree);
}
