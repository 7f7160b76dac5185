// Saving a slot's record (text, two-column and binary formats, and CSV, WAV,
// NumPy and sigrok sessions through formats/) and printing the scope panel.
//
// The simulated card delivers no raw codes, so the 16-bit codes of the
// binary format are made from the saved volts record when it is written:
// round(v / range * 32767), held to the 16-bit range.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <strings.h>

#include "formats/csv.h"
#include "formats/npy.h"
#include "formats/replace_file.h"
#include "formats/sigrok_session.h"
#include "formats/wav.h"
#include "analysis/waveform_math.h"
#include "scope/scope.h"

namespace
{

const char *const kSaveError = "Saving File impossible";

// Text is built in blocks and written with one fwrite per block.
class BlockWriter
{
  public:
    explicit BlockWriter(std::FILE *file) : file_(file) { text_.reserve(kBlock + 256); }
    void Text(const char *s) { text_ += s; }
    void Integer(long long v)
    {
        char buf[32];
        const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v);
        text_.append(buf, r.ptr);
    }
    // Fixed notation with '.' as "%.*f" gives it in the C locale.
    void Fixed(double v, int decimals)
    {
        char buf[400];
        const std::to_chars_result r =
            std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
        if (r.ec == std::errc())
            text_.append(buf, r.ptr);
        else
            text_ += "nan";
    }
    void EndLine()
    {
        text_ += "\r\n";
        if (text_.size() >= kBlock)
            Flush();
    }
    bool Flush()
    {
        if (!text_.empty() && ok_) {
            if (std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size())
                ok_ = false;
        }
        text_.clear();
        return ok_;
    }
    bool Ok() const { return ok_; }

  private:
    static constexpr std::size_t kBlock = 1 << 16;
    std::FILE *file_;
    std::string text_;
    bool ok_ = true;
};

void PutLE(unsigned char *p, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

void PutInt32(unsigned char *p, int v)
{
    PutLE(p, static_cast<std::uint32_t>(v), 4);
}

void PutDouble(unsigned char *p, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    PutLE(p, bits, 8);
}

void WriteHeaderLines(BlockWriter &w, const ScopeFileHeader &h, int channelNumber)
{
    if (channelNumber > 0) {
        w.Text("Acquisition on CH");
        w.Integer(channelNumber);
        w.EndLine();
    }
    w.Text("Date: ");
    w.Integer(h.day);
    w.Text("/");
    w.Integer(h.month);
    w.Text("/");
    w.Integer(h.year);
    w.Text(" at ");
    w.Integer(h.hours);
    w.Text(":");
    w.Integer(h.minutes);
    w.Text(":");
    w.Integer(h.seconds);
    w.EndLine();
    w.Text("Sampling rate: ");
    w.Fixed(h.clockRate, 0);
    w.Text(" Hz");
    w.EndLine();
    w.Text("Input Range: ");
    w.Fixed(h.range, 2);
    w.Text("V");
    w.EndLine();
    w.Text("Total Number of Samples: ");
    w.Integer(h.samples);
    w.EndLine();
    w.Text("Number of Pre-Samples: ");
    w.Integer(h.preSamples);
    w.EndLine();
}

// Reads the clock once for a file header.
void StampHeader(ScopeFileHeader *h)
{
    int month = 0, day = 0, year = 0, hours = 0, minutes = 0, seconds = 0;
    GetSystemDate(&month, &day, &year);
    GetSystemTime(&hours, &minutes, &seconds);
    h->day = day;
    h->month = month;
    h->year = year;
    h->hours = hours;
    h->minutes = minutes;
    h->seconds = seconds;
}

bool Contains(const char *text, const char *part)
{
    return std::strstr(text, part) != nullptr;
}

// Samples per second of the record the buffers hold: a stream keeps one
// sample in decimation_factor.
double RecordRate(void)
{
    if (isStreamingRAMOn && decimation_factor > 1)
        return iClockRate / decimation_factor;
    return iClockRate;
}

// Formats written through formats/, chosen by the name's ending (any case);
// every other name keeps the choice among the bench's own three.
enum class ExportFormat
{
    None,
    Csv,
    Wav,
    Npy,
    Sr,
};

ExportFormat ExportFormatOf(const char *path)
{
    const std::size_t length = std::strlen(path);
    auto endsWith = [&](const char *suffix) {
        const std::size_t n = std::strlen(suffix);
        return length > n && ::strcasecmp(path + length - n, suffix) == 0;
    };
    if (endsWith(".csv"))
        return ExportFormat::Csv;
    if (endsWith(".wav"))
        return ExportFormat::Wav;
    if (endsWith(".npy"))
        return ExportFormat::Npy;
    if (endsWith(".sr"))
        return ExportFormat::Sr;
    return ExportFormat::None;
}

// The math traces on screen, each with as many samples as a saved record
// of n samples (their index j is record position iOffset + j, the
// displayed start, as for the channel records saved from there).
std::vector<int> ShownMathTraces(int n)
{
    std::vector<int> shown;
    for (int i = 0; i < kMathChannels; ++i) {
        const ScopeMathChannel &m = scopeMeasure.math[i];
        if (m.enabled && m.valid && n > 0 && m.record.size() >= static_cast<std::size_t>(n))
            shown.push_back(i);
    }
    return shown;
}

const char *MathUnit(int operation)
{
    switch (operation) {
    case WAVEFORM_MULTIPLY:
        return "V^2";
    case WAVEFORM_DIVIDE:
        return "";
    case WAVEFORM_DERIVATIVE:
        return "V/s";
    case WAVEFORM_INTEGRAL:
        return "V*s";
    default:
        return "V";
    }
}

formats::Channel MathChannel(int i, int n)
{
    const ScopeMathChannel &m = scopeMeasure.math[i];
    formats::Channel channel;
    channel.name = Scope_SourceName(kMeasSourceMath1 + i);
    channel.unit = MathUnit(m.operation);
    channel.values.assign(m.record.begin(), m.record.begin() + n);
    return channel;
}

// Largest finite magnitude of a record (1 when it has none): the full scale
// of a math trace, which has no input range.
double PeakOf(const double *values, int n)
{
    double peak = 0.0;
    for (int i = 0; i < n; ++i)
        if (std::isfinite(values[i]))
            peak = std::max(peak, std::fabs(values[i]));
    return peak > 0.0 ? peak : 1.0;
}

// Whether the save panel asks for 16-bit PCM WAV samples (else float32).
bool Pcm16Wav(void)
{
    int pcm16 = 0;
    return GetCtrlVal(panelSave, SAVING_WAV_SAMPLE, &pcm16) >= 0 && pcm16 == 1;
}

// Writes the record's channels, the first preSamples samples before the
// trigger.  A WAV file's full scale is fullScale volts.
formats::Status WriteExport(ExportFormat format, const char *path, formats::Record &record, int preSamples,
                            double fullScale)
{
    record.sampleInterval = 1.0 / RecordRate();
    record.SetPreTrigger(static_cast<std::size_t>(preSamples > 0 ? preSamples : 0));
    switch (format) {
    case ExportFormat::Csv:
        return formats::WriteCsv(path, record);
    case ExportFormat::Npy:
        return formats::WriteNpy(path, record);
    case ExportFormat::Wav: {
        formats::WavOptions options;
        options.fullScaleVolts = fullScale;
        if (Pcm16Wav())
            options.sample = formats::WavSample::Pcm16;
        return formats::WriteWav(path, record, options);
    }
    case ExportFormat::Sr:
        return formats::WriteSr(path, record);
    case ExportFormat::None:
        break;
    }
    return formats::Status::BadArgument;
}

// n volts of one slot, with the math traces on screen as further channels
// when withMath (a 16-bit WAV leaves them out: its codes at the slot's
// range would clip them).
formats::Status WriteSlotExport(ExportFormat format, const char *path, int slot, const double *values, int n,
                                int preSamples, bool withMath)
try {
    formats::Record record;
    formats::Channel channel;
    channel.name = ChannelName[slot][0] ? std::string(ChannelName[slot], strnlen(ChannelName[slot], 8))
                                        : "CH" + std::to_string(iChan[slot].channel + 1);
    channel.unit = "V";
    channel.values.assign(values, values + n);
    record.channels.push_back(std::move(channel));
    if (withMath && !(format == ExportFormat::Wav && Pcm16Wav()))
        for (int i : ShownMathTraces(n))
            record.channels.push_back(MathChannel(i, n));
    return WriteExport(format, path, record, preSamples, iRange[slot]);
} catch (const std::bad_alloc &) {
    return formats::Status::TooLarge; // no room for the copy of the record
}

// Asks for the file of a record (the streaming mode offers the binary
// format only); false when the user cancels.
bool AskPath(const char *title, char (&path)[1024])
{
    const int streaming = isStreamingRAMEnabled;
    path[0] = '\0';
    const int answer =
        FileSelectPopup("", streaming ? "*.dat" : "*.asc",
                        streaming ? "*.dat"
                        : formats::SrAvailable() ? "*.asc;*.dat;*.awg;*.csv;*.wav;*.npy;*.sr"
                                                 : "*.asc;*.dat;*.awg;*.csv;*.wav;*.npy",
                        title, VAL_SAVE_BUTTON, 0, 0, 1, 1, path);
    return answer > VAL_NO_FILE_SELECTED && path[0] != '\0';
}

} // namespace

short Scope_VoltsToCode(double volts, double range)
{
    if (!(range > 0.0) || !(volts == volts))
        return 0;
    const double code = std::round(volts / range * 32767.0);
    if (code >= 32767.0)
        return 32767;
    if (code <= -32768.0)
        return -32768;
    return static_cast<short>(code);
}

int Scope_WriteAsc(std::FILE *file, const ScopeFileHeader &header, int channelNumber, const double *values,
                   int n)
{
    if (!file || n < 0 || (n > 0 && !values))
        return -1;
    BlockWriter w(file);
    WriteHeaderLines(w, header, channelNumber);
    for (int i = 0; i < n && w.Ok(); ++i) {
        w.Fixed(values[i], 6);
        w.EndLine();
    }
    return w.Flush() ? 0 : -1;
}

int Scope_WriteAwg(std::FILE *file, double clockRate, const double *values, int n)
{
    if (!file || n < 0 || (n > 0 && !values) || !(clockRate > 0.0))
        return -1;
    BlockWriter w(file);
    for (int i = 0; i < n && w.Ok(); ++i) {
        w.Fixed(i / clockRate, 8);
        w.Text("\t");
        w.Fixed(values[i], 6);
        w.EndLine();
    }
    return w.Flush() ? 0 : -1;
}

int Scope_WriteDat(std::FILE *file, const ScopeFileHeader &header, const double *values, int n)
{
    if (!file || n < 0 || (n > 0 && !values))
        return -1;
    unsigned char head[48];
    PutInt32(head + 0, header.day);
    PutInt32(head + 4, header.month);
    PutInt32(head + 8, header.year);
    PutInt32(head + 12, header.hours);
    PutInt32(head + 16, header.minutes);
    PutInt32(head + 20, header.seconds);
    PutDouble(head + 24, header.clockRate);
    PutDouble(head + 32, header.range);
    PutInt32(head + 40, n);
    PutInt32(head + 44, header.preSamples);
    if (std::fwrite(head, 1, sizeof head, file) != sizeof head)
        return -1;
    unsigned char block[8192];
    const int perBlock = static_cast<int>(sizeof block / 2);
    for (int i = 0; i < n; i += perBlock) {
        const int count = n - i < perBlock ? n - i : perBlock;
        for (int j = 0; j < count; ++j)
            PutLE(block + 2 * j, static_cast<std::uint16_t>(Scope_VoltsToCode(values[i + j], header.range)),
                  2);
        if (std::fwrite(block, 2, static_cast<std::size_t>(count), file) != static_cast<std::size_t>(count))
            return -1;
    }
    return 0;
}

int Scope_WriteRecordFile(const char *path, int forceBinary, const ScopeFileHeader &header, int channelNumber,
                          const double *values, int n)
{
    if (!path || !*path)
        return -1;
    // The record goes into a new file beside the target, which takes the
    // target's place only once it is whole; a FIFO or a device is never
    // opened (see formats::WriteReplacing).
    const formats::Status status = formats::WriteReplacing(path, [&](std::FILE *file) {
        int written;
        if (forceBinary)
            written = Scope_WriteDat(file, header, values, n);
        else if (Contains(path, ".asc"))
            written = Scope_WriteAsc(file, header, channelNumber, values, n);
        else if (Contains(path, ".awg"))
            written = Scope_WriteAwg(file, header.clockRate, values, n);
        else
            written = Scope_WriteDat(file, header, values, n);
        return written == 0 ? formats::Status::Ok : formats::Status::WriteFailed;
    });
    return status == formats::Status::Ok ? 0 : -1;
}

int SaveCallback(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)event;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (numChanIn == 1 || numChanIn == 2 || numChanIn == 4) {
        ClearListCtrl(panelSave, SAVING_CHANNEL);
        for (int k = 0; k < numChanIn; ++k)
            InsertListItem(panelSave, SAVING_CHANNEL, -1, ChannelName[k], k);
        // The math traces on screen are saved like a channel.
        for (int i : ShownMathTraces(RequestedSamples))
            InsertListItem(panelSave, SAVING_CHANNEL, -1, Scope_SourceName(kMeasSourceMath1 + i),
                           kMeasSourceMath1 + i);
        SetCtrlIndex(panelSave, SAVING_CHANNEL, 0);
    }
    DisplayPanel(panelSave);
    return 0;
}

int onOK_Save(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    int slot = -1;
    if (GetCtrlVal(panelSave, SAVING_CHANNEL, &slot) < 0)
        return 0;
    if (slot >= kMeasSourceMath1 && slot < kMeasSources) {
        Scope_SaveMathOnDisk(slot - kMeasSourceMath1);
        return 0;
    }
    if (slot < 0 || slot >= numChanIn || slot > 3)
        return 0;
    const short *raw = BufferIn ? BufferIn + static_cast<long long>(slot) * iSamples : nullptr;
    if (is_AverageON)
        SaveChannelonDisk(slot, raw, vAverageSave[slot], 0);
    else
        SaveChannelonDisk(slot, raw, vBufferIn[slot], iOffset);
    return 0;
}

int Close_Saving(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}

int SaveChannelonDisk(int slot, const short *rawCodes, const double *values, int start)
{
    (void)rawCodes; // the simulated card leaves the raw buffer empty
    if (slot < 0 || slot > 3)
        return -1;
    const int n = RequestedSamples;
    // The record must exist before a file name is asked for.  A pre-trigger
    // start the buffers do not hold is saved from the trigger point.
    int first = start;
    if (values && n > 0 && !Scope_BufferHolds(first, n) && Scope_BufferHolds(0, n))
        first = 0;
    if (!values || n <= 0 || !Scope_BufferHolds(first, n)) {
        MessagePopup("Error message", kSaveError);
        return -1;
    }

    char title[64];
    std::snprintf(title, sizeof title, "CH%d, Save As", slot + 1);
    const int streaming = isStreamingRAMEnabled;
    char path[1024];
    if (!AskPath(title, path))
        return -1;

    // A stream is saved in the binary format whatever the name.
    const ExportFormat exportFormat = streaming ? ExportFormat::None : ExportFormatOf(path);
    if (exportFormat != ExportFormat::None) {
        // The record starts before the trigger unless it was saved from the
        // trigger point above; the math traces on screen go with it as
        // further channels when they cover the same samples.
        const formats::Status status = WriteSlotExport(exportFormat, path, slot, values + first, n,
                                                       first == start ? pre_iSample : 0, first == start);
        ProcessDrawEvents();
        if (status != formats::Status::Ok) {
            const std::string message = std::string(kSaveError) + ": " + formats::StatusText(status);
            MessagePopup("Error message", message.c_str());
            return -1;
        }
        return 0;
    }

    ScopeFileHeader header{};
    StampHeader(&header);
    header.clockRate = RecordRate();
    header.range = iRange[slot];
    header.samples = n;
    header.preSamples = pre_iSample;
    const int status =
        Scope_WriteRecordFile(path, streaming, header, iChan[slot].channel + 1, values + first, n);
    ProcessDrawEvents();
    if (status != 0) {
        MessagePopup("Error message", kSaveError);
        return -1;
    }
    return 0;
}

int Scope_SaveMathOnDisk(int trace)
{
    if (trace < 0 || trace >= kMathChannels)
        return -1;
    const int n = RequestedSamples;
    const std::vector<int> shown = ShownMathTraces(n);
    if (std::find(shown.begin(), shown.end(), trace) == shown.end()) {
        MessagePopup("Error message", "Saving File impossible: the math trace is off or has no record");
        return -1;
    }
    const char *name = Scope_SourceName(kMeasSourceMath1 + trace);
    char title[64];
    std::snprintf(title, sizeof title, "%s, Save As", name);
    const int streaming = isStreamingRAMEnabled;
    char path[1024];
    if (!AskPath(title, path))
        return -1;

    const double *values = scopeMeasure.math[trace].record.data();
    const double fullScale = PeakOf(values, n);
    const ExportFormat exportFormat = streaming ? ExportFormat::None : ExportFormatOf(path);
    formats::Status status = formats::Status::Ok;
    if (exportFormat != ExportFormat::None) {
        try {
            formats::Record record;
            record.channels.push_back(MathChannel(trace, n));
            status = WriteExport(exportFormat, path, record, pre_iSample, fullScale);
        } catch (const std::bad_alloc &) {
            status = formats::Status::TooLarge;
        }
    } else {
        // The bench's own formats hold finite volts only: a gap (a division
        // by zero) would be written as a number that was never measured, or
        // as text their readers refuse.
        for (int i = 0; i < n; ++i) {
            if (!std::isfinite(values[i])) {
                const std::string message = std::string(kSaveError) + ": " + name +
                                            " has gaps (division by zero); save it as .csv, .npy or .sr";
                MessagePopup("Error message", message.c_str());
                return -1;
            }
        }
        ScopeFileHeader header{};
        StampHeader(&header);
        header.clockRate = RecordRate();
        // The binary codes span the trace's own peak; the text header shows
        // the range with two decimals, which must not read 0.00.
        header.range = std::max(fullScale, 0.01);
        header.samples = n;
        header.preSamples = pre_iSample;
        if (Scope_WriteRecordFile(path, streaming, header, 0, values, n) != 0)
            status = formats::Status::WriteFailed;
    }
    ProcessDrawEvents();
    if (status != formats::Status::Ok) {
        const std::string message = std::string(kSaveError) + ": " + formats::StatusText(status);
        MessagePopup("Error message", message.c_str());
        return -1;
    }
    return 0;
}

int PrintCallback(int panel, int control, int event, void *callbackData, int eventData1, int eventData2)
{
    (void)panel;
    (void)control;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_COMMIT)
        return 0;
    SetPrintAttribute(ATTR_PRINT_OUTPUT_FILE, "");
    SetPrintAttribute(ATTR_PRINT_SCALE_TO_PAGE, 1);
    SetPrintAttribute(ATTR_PRINT_ORIENTATION, VAL_LANDSCAPE);
    const int status = PrintPanel(panelScope, "", 1, VAL_FULL_PANEL, 1);
    if (status < 0)
        MessagePopup("Error message", "Printing impossible");
    return 0;
}
