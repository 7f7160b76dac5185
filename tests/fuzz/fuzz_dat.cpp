// libFuzzer target: the ".dat" record reader takes any bytes without reading
// outside them; what it accepts is a usable one-channel record whose
// samples the header announced, and what it refuses leaves the record empty
// with a message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/scope_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    formats::Record record;
    formats::ScopeRecordInfo info;
    std::string message;
    const formats::Status status =
        formats::ParseDat(reinterpret_cast<const char *>(data), size, &record, &message, &info);
    if (status != formats::Status::Ok) {
        if ((status != formats::Status::ParseError && status != formats::Status::TooLarge) ||
            !record.channels.empty() || message.empty())
            std::abort();
        return 0;
    }
    if (!formats::IsWritable(record) || record.channels.size() != 1 || !(info.rate > 0.0) ||
        record.Samples() > formats::kScopeRecordMaxSamples)
        std::abort();
    return 0;
}
