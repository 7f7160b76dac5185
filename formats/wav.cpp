#include "formats/wav.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <vector>

#include <sys/types.h>

#include "formats/replace_file.h"

#if KORVAX_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace formats
{
namespace
{

std::string Number(double v)
{
    char buf[64];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

#if KORVAX_HAVE_SNDFILE
// libsndfile writes through the stdio stream, so every write error shows
// in the stream's error flag as well as in the counts.
sf_count_t VioLength(void *user)
{
    std::FILE *f = static_cast<std::FILE *>(user);
    const off_t here = ::ftello(f);
    if (here < 0 || ::fseeko(f, 0, SEEK_END) != 0)
        return -1;
    const off_t size = ::ftello(f);
    if (::fseeko(f, here, SEEK_SET) != 0)
        return -1;
    return size;
}

sf_count_t VioSeek(sf_count_t offset, int whence, void *user)
{
    std::FILE *f = static_cast<std::FILE *>(user);
    if (::fseeko(f, static_cast<off_t>(offset), whence) != 0)
        return -1;
    return ::ftello(f);
}

sf_count_t VioRead(void *ptr, sf_count_t count, void *user)
{
    return static_cast<sf_count_t>(std::fread(ptr, 1, static_cast<std::size_t>(count), static_cast<std::FILE *>(user)));
}

sf_count_t VioWrite(const void *ptr, sf_count_t count, void *user)
{
    return static_cast<sf_count_t>(
        std::fwrite(ptr, 1, static_cast<std::size_t>(count), static_cast<std::FILE *>(user)));
}

sf_count_t VioTell(void *user)
{
    return ::ftello(static_cast<std::FILE *>(user));
}

short ToPcm16(double scaled)
{
    if (!(scaled == scaled))
        return 0;
    const double code = std::round(scaled * 32768.0);
    if (code >= 32767.0)
        return 32767;
    if (code <= -32768.0)
        return -32768;
    return static_cast<short>(code);
}
#endif

} // namespace

bool WavAvailable()
{
    return KORVAX_HAVE_SNDFILE != 0;
}

double WavFullScale(const Record &record, const WavOptions &options)
{
    if (options.fullScaleVolts != 0.0)
        return options.fullScaleVolts > 0.0 && std::isfinite(options.fullScaleVolts) ? options.fullScaleVolts : 0.0;
    double peak = 0.0;
    for (const Channel &c : record.channels)
        for (double v : c.values)
            if (std::isfinite(v) && std::fabs(v) > peak)
                peak = std::fabs(v);
    if (!(peak > 0.0) || !std::isfinite(peak))
        return 1.0;
    if (options.sample == WavSample::Pcm16)
        peak *= 32768.0 / 32767.0;
    return peak;
}

std::string WavComment(const Record &record, double fullScaleVolts)
{
    std::string text = "volts = sample x " + Number(fullScaleVolts) + " (full scale " + Number(fullScaleVolts) +
                       " V); sampling interval " + Number(record.sampleInterval) + " s; first sample at " +
                       Number(record.firstTime) + " s; channels";
    for (std::size_t k = 0; k < record.channels.size(); ++k) {
        text += k == 0 ? " " : ", ";
        text += record.channels[k].name;
        if (!record.channels[k].unit.empty())
            text += " (" + record.channels[k].unit + ")";
    }
    return text;
}

int WavRate(const Record &record)
{
    if (!(record.sampleInterval > 0.0))
        return 0;
    const double rate = std::round(1.0 / record.sampleInterval);
    if (!(rate >= 1.0) || !(rate <= static_cast<double>(INT_MAX)))
        return 0;
    return static_cast<int>(rate);
}

Status WriteWav(std::FILE *file, const Record &record, const WavOptions &options)
{
#if KORVAX_HAVE_SNDFILE
    if (!file || !IsWritable(record))
        return Status::BadArgument;
    const double fullScale = WavFullScale(record, options);
    const int rate = WavRate(record);
    const std::size_t channels = record.channels.size();
    if (!(fullScale > 0.0) || rate == 0 || channels > 1024)
        return Status::BadArgument;

    SF_INFO info{};
    info.samplerate = rate;
    info.channels = static_cast<int>(channels);
    info.format = SF_FORMAT_WAV | (options.sample == WavSample::Pcm16 ? SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT);
    SF_VIRTUAL_IO io{VioLength, VioSeek, VioRead, VioWrite, VioTell};
    SNDFILE *sf = sf_open_virtual(&io, SFM_WRITE, &info, file);
    if (!sf)
        return Status::OpenFailed;
    Status status = Status::Ok;
    const std::string comment = WavComment(record, fullScale);
    if (sf_set_string(sf, SF_STR_COMMENT, comment.c_str()) != 0 ||
        sf_set_string(sf, SF_STR_SOFTWARE, "Korvax Demo") != 0)
        status = Status::WriteFailed;

    const std::size_t n = record.Samples();
    constexpr std::size_t kFrames = 4096;
    std::vector<float> floats;
    std::vector<short> shorts;
    if (options.sample == WavSample::Pcm16)
        shorts.resize(kFrames * channels);
    else
        floats.resize(kFrames * channels);
    for (std::size_t i = 0; i < n && status == Status::Ok; i += kFrames) {
        const std::size_t frames = n - i < kFrames ? n - i : kFrames;
        for (std::size_t j = 0; j < frames; ++j)
            for (std::size_t k = 0; k < channels; ++k) {
                const double scaled = record.channels[k].values[i + j] / fullScale;
                if (options.sample == WavSample::Pcm16)
                    shorts[j * channels + k] = ToPcm16(scaled);
                else
                    floats[j * channels + k] = static_cast<float>(scaled);
            }
        const sf_count_t wrote = options.sample == WavSample::Pcm16
                                     ? sf_writef_short(sf, shorts.data(), static_cast<sf_count_t>(frames))
                                     : sf_writef_float(sf, floats.data(), static_cast<sf_count_t>(frames));
        if (wrote != static_cast<sf_count_t>(frames))
            status = Status::WriteFailed;
    }
    if (sf_error(sf) != SF_ERR_NO_ERROR && status == Status::Ok)
        status = Status::WriteFailed;
    // The header's sizes are written on closing.
    if (sf_close(sf) != 0 && status == Status::Ok)
        status = Status::WriteFailed;
    if (std::ferror(file) && status == Status::Ok)
        status = Status::WriteFailed;
    return status;
#else
    (void)file;
    (void)record;
    (void)options;
    return Status::Unsupported;
#endif
}

Status WriteWav(const std::string &path, const Record &record, const WavOptions &options)
{
    if (!WavAvailable())
        return Status::Unsupported;
    if (!IsWritable(record))
        return Status::BadArgument;
    return WriteReplacing(path, [&](std::FILE *file) { return WriteWav(file, record, options); });
}

} // namespace formats
