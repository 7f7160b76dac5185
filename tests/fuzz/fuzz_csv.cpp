// libFuzzer target: the CSV reader must take any bytes without reading
// outside them; whatever it accepts must be a usable record, and writing
// that record and reading it again gives the same values bit for bit.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/csv.h"

namespace
{

bool Same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    formats::Record record;
    std::string message;
    const formats::Status status =
        formats::ParseCsv(reinterpret_cast<const char *>(data), size, &record, &message);
    if (status != formats::Status::Ok) {
        if ((status != formats::Status::ParseError && status != formats::Status::TooLarge) ||
            !record.channels.empty() || message.empty())
            std::abort();
        return 0;
    }
    if (!formats::IsWritable(record) || record.Samples() < 2 || record.channels.size() > formats::kCsvMaxChannels)
        std::abort();

    char *text = nullptr;
    std::size_t length = 0;
    std::FILE *stream = ::open_memstream(&text, &length);
    if (!stream)
        return 0;
    const formats::Status wrote = formats::WriteCsv(stream, record);
    std::fclose(stream);
    if (wrote != formats::Status::Ok)
        std::abort();
    formats::Record again;
    if (formats::ParseCsv(text, length, &again) == formats::Status::Ok) {
        if (again.channels.size() != record.channels.size() || again.Samples() != record.Samples())
            std::abort();
        for (std::size_t k = 0; k < record.channels.size(); ++k) {
            if (again.channels[k].name != record.channels[k].name || again.channels[k].unit != record.channels[k].unit)
                std::abort();
            for (std::size_t i = 0; i < record.Samples(); ++i)
                if (!Same(again.channels[k].values[i], record.channels[k].values[i]))
                    std::abort();
        }
        if (!Same(again.firstTime, record.firstTime))
            std::abort();
    }
    std::free(text);
    return 0;
}
