// Writes one file of each format into a folder, with the expected values
// beside them as raw little-endian data, for tests/formats/check_formats.py
// to read back with the tools users have (numpy, soundfile).
//   formats_write_samples FOLDER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "formats/csv.h"
#include "formats/npy.h"
#include "formats/sigrok_session.h"
#include "formats/vcd.h"
#include "formats/wav.h"

namespace
{

bool WriteRaw(const std::string &path, const void *data, std::size_t bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, bytes, f) == bytes;
    return std::fclose(f) == 0 && ok;
}

bool Check(formats::Status status, const char *what)
{
    if (status == formats::Status::Ok)
        return true;
    std::fprintf(stderr, "%s: %s\n", what, formats::StatusText(status));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];

    formats::Record record;
    record.sampleInterval = 1.0 / 250000.0;
    record.channels = {{"CH1", "V", {}}, {"CH2", "V", {}}};
    const int n = 5000;
    for (int i = 0; i < n; ++i) {
        record.channels[0].values.push_back(3.3 * std::sin(6.283185307179586 * 1000.0 * i * record.sampleInterval) + 1e-9 * i);
        record.channels[1].values.push_back(i % 50 < 25 ? 0.1 + i / 3.0e4 : -1.0 / 3.0);
    }
    record.SetPreTrigger(1000);

    // Samples x channels, row by row, as float64.
    std::string expected;
    for (int i = 0; i < n; ++i)
        for (const formats::Channel &c : record.channels)
            expected.append(reinterpret_cast<const char *>(&c.values[i]), 8);

    formats::Record one = record;
    one.channels.resize(1);

    formats::LogicRecord logic;
    logic.sampleInterval = 1e-6;
    for (int i = 0; i < 3000; ++i)
        logic.words.push_back(static_cast<std::uint16_t>((i * 7) ^ (i >> 3)));

    formats::WavOptions pcm;
    pcm.sample = formats::WavSample::Pcm16;
    pcm.fullScaleVolts = 5.0;

    bool ok = WriteRaw(dir + "/expected.f64", expected.data(), expected.size()) &&
              WriteRaw(dir + "/expected_logic.u16", logic.words.data(), logic.words.size() * 2);
    ok = ok && Check(formats::WriteCsv(dir + "/record.csv", record), "csv");
    ok = ok && Check(formats::WriteNpy(dir + "/record.npy", record), "npy");
    ok = ok && Check(formats::WriteNpy(dir + "/one.npy", one), "npy 1-D");
    ok = ok && Check(formats::WriteVcd(dir + "/logic.vcd", logic), "vcd");
    if (formats::WavAvailable()) {
        ok = ok && Check(formats::WriteWav(dir + "/float.wav", record), "wav float");
        ok = ok && Check(formats::WriteWav(dir + "/pcm16.wav", record, pcm), "wav pcm16");
    }
    if (formats::SrAvailable()) {
        ok = ok && Check(formats::WriteSr(dir + "/record.sr", record), "sr analog");
        ok = ok && Check(formats::WriteSr(dir + "/logic.sr", logic), "sr logic");
    }
    std::printf("samples=%d channels=2 interval=%.17g first=%.17g wav=%d sr=%d\n", n, record.sampleInterval,
                record.firstTime, formats::WavAvailable() ? 1 : 0, formats::SrAvailable() ? 1 : 0);
    return ok ? 0 : 1;
}
