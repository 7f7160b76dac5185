// Sound inputs through Qt Multimedia.  A capture runs on the session's
// worker thread: the audio source lives there for the length of one record,
// with an event loop of that thread turning while the samples arrive.
#include "devices/sound_device.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaDevices>
#include <QThread>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "devices/registry.h"

namespace devices
{

namespace
{

std::atomic<double> fullScale{1.0};

const double kStandardRates[] = {44100.0, 48000.0, 96000.0, 192000.0};

std::string RangeLabel(double volts)
{
    char label[64];
    if (volts < 1.0)
        std::snprintf(label, sizeof label, "\u00B1 %gmV", volts * 1000.0);
    else
        std::snprintf(label, sizeof label, "\u00B1 %gV", volts);
    return label;
}

// Sample value at full scale = 1.0, whatever the format delivers.
double Sample(const char *data, QAudioFormat::SampleFormat format)
{
    switch (format) {
    case QAudioFormat::UInt8:
        return (static_cast<unsigned char>(data[0]) - 128.0) / 128.0;
    case QAudioFormat::Int16: {
        int16_t v;
        std::memcpy(&v, data, sizeof v);
        return v / 32768.0;
    }
    case QAudioFormat::Int32: {
        int32_t v;
        std::memcpy(&v, data, sizeof v);
        return v / 2147483648.0;
    }
    case QAudioFormat::Float: {
        float v;
        std::memcpy(&v, data, sizeof v);
        return v;
    }
    default:
        return 0.0;
    }
}

class SoundDevice : public Device
{
public:
    SoundDevice(const QAudioDevice &device, Capabilities caps) : device_(device), caps_(std::move(caps)) {}
    const Capabilities &capabilities() const override { return caps_; }
    bool open() override
    {
        if (device_.isNull()) {
            setError("the sound input is gone");
            return false;
        }
        return true;
    }
    void close() override {}
    bool capture(const CaptureConfig &config, CaptureRecord &record) override;

private:
    QAudioDevice device_;
    Capabilities caps_;
};

bool SoundDevice::capture(const CaptureConfig &config, CaptureRecord &record)
{
    if (!QCoreApplication::instance()) {
        setError("the sound input needs the application running");
        return false;
    }
    int channels = 1;
    for (int c : config.analog)
        channels = std::max(channels, c + 1);
    channels = std::min(channels, std::max(1, caps_.analogChannels));
    const double rate = NearestRate(caps_, config.rate);

    QAudioFormat format;
    format.setSampleRate(static_cast<int>(rate));
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Float);
    if (!device_.isFormatSupported(format)) {
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device_.isFormatSupported(format)) {
            setError("the sound input does not take " + std::to_string(static_cast<int>(rate)) + " S/s on " +
                     std::to_string(channels) + " channel(s)");
            return false;
        }
    }
    const int bytesPerSample = format.bytesPerSample();
    const int frameBytes = bytesPerSample * channels;
    const int stride = config.stride >= 1 ? config.stride : 1;
    const long long frames = config.samples;
    const int wanted = static_cast<int>((frames + stride - 1) / stride);
    const double scale = fullScale.load();

    record.rate = rate;
    record.volts.assign(config.analog.size(), std::vector<double>());
    for (auto &v : record.volts)
        v.reserve(static_cast<size_t>(wanted));

    QEventLoop loop; // this thread's events: the source's own timers
    QAudioSource source(device_, format);
    source.setBufferSize(std::max(4096, static_cast<int>(rate / 10) * frameBytes));
    QIODevice *io = source.start();
    if (!io || source.error() != QAudio::NoError) {
        setError("the sound input cannot be started");
        return false;
    }
    // A record takes its own length in time; allow two seconds more before
    // calling the input dead.
    const qint64 limitMs = static_cast<qint64>(1000.0 * frames / rate) + 2000;
    QElapsedTimer clock;
    clock.start();
    long long seen = 0;
    QByteArray pending;
    bool ok = true;
    while (seen < frames) {
        if (cancelled()) {
            setError("the capture was cancelled");
            ok = false;
            break;
        }
        loop.processEvents(QEventLoop::AllEvents, 5);
        pending += io->readAll();
        const int whole = pending.size() / frameBytes;
        for (int f = 0; f < whole && seen < frames; ++f, ++seen) {
            if (seen % stride != 0)
                continue;
            const char *frame = pending.constData() + static_cast<size_t>(f) * frameBytes;
            for (size_t a = 0; a < config.analog.size(); ++a) {
                const int c = config.analog[a];
                const double v = c >= 0 && c < channels ? Sample(frame + c * bytesPerSample, format.sampleFormat()) : 0.0;
                record.volts[a].push_back(v * scale);
            }
        }
        pending.remove(0, whole * frameBytes);
        if (seen < frames) {
            if (source.error() != QAudio::NoError && source.error() != QAudio::UnderrunError) {
                setError("the sound input stopped with an error");
                ok = false;
                break;
            }
            if (clock.elapsed() > limitMs) {
                setError("the sound input delivers no samples");
                ok = false;
                break;
            }
            if (whole == 0)
                QThread::msleep(2);
        }
    }
    source.stop();
    record.samples = record.volts.empty() ? 0 : static_cast<int>(record.volts.front().size());
    return ok;
}

} // namespace

void SetSoundFullScale(double volts)
{
    if (volts > 0.0 && std::isfinite(volts))
        fullScale = volts;
}

double SoundFullScale()
{
    return fullScale.load();
}

void ScanSound(std::vector<Entry> &entries)
{
    if (!QCoreApplication::instance())
        return;
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    for (const QAudioDevice &input : inputs) {
        Capabilities caps;
        const std::string description = input.description().toStdString();
        caps.name = "Sound: " + description;
        caps.driver = "sound";
        caps.connection = input.id().toStdString();
        caps.model = description;
        caps.analogChannels = std::min(2, std::max(1, input.maximumChannelCount()));
        caps.logicChannels = 0;
        for (double rate : kStandardRates) {
            if (rate >= input.minimumSampleRate() && rate <= input.maximumSampleRate())
                caps.rates.push_back(rate);
        }
        if (caps.rates.empty())
            caps.rates.push_back(input.preferredFormat().sampleRate());
        caps.minRate = caps.rates.front();
        caps.maxRate = caps.rates.back();
        const double volts = fullScale.load();
        caps.ranges.push_back({RangeLabel(volts), volts});
        caps.captureRatio = false;
        Entry entry;
        entry.caps = caps;
        entry.make = [input, caps]() { return std::unique_ptr<Device>(new SoundDevice(input, caps)); };
        entries.push_back(std::move(entry));
    }
}

} // namespace devices
