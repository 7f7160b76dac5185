// libFuzzer target: the WAV reader (libsndfile over the bytes in memory)
// takes any bytes; what it accepts is a usable record no larger than the
// reader's limit, and what it refuses leaves the record empty with a
// message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/wav.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    formats::Record record;
    std::string message;
    const formats::Status status = formats::ParseWav(reinterpret_cast<const char *>(data), size, &record, &message);
    if (status != formats::Status::Ok) {
        if (status == formats::Status::Unsupported)
            return 0;
        if ((status != formats::Status::ParseError && status != formats::Status::TooLarge) ||
            !record.channels.empty() || message.empty())
            std::abort();
        return 0;
    }
    if (!formats::IsWritable(record) || record.Samples() * record.channels.size() > formats::kWavMaxValues ||
        record.Samples() * record.channels.size() > size)
        std::abort();
    return 0;
}
