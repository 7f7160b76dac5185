// libFuzzer target: the sigrok session reader (libzip over the bytes in
// memory) takes any bytes; what it accepts holds analog channels of one
// length or logic words within its lines, under the reader's limits, and
// what it refuses leaves the session empty with a message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formats/sigrok_session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    formats::SrSession session;
    std::string message;
    const formats::Status status =
        formats::ParseSr(reinterpret_cast<const char *>(data), size, &session, &message);
    if (status != formats::Status::Ok) {
        if (status == formats::Status::Unsupported)
            return 0;
        if ((status != formats::Status::ParseError && status != formats::Status::TooLarge) ||
            !session.analog.channels.empty() || !session.logic.words.empty() || message.empty())
            std::abort();
        return 0;
    }
    if (session.analog.channels.empty() && session.logic.words.empty())
        std::abort();
    if (!session.analog.channels.empty() &&
        (!formats::IsWritable(session.analog) || session.analog.Samples() > formats::kSrMaxSamples))
        std::abort();
    if (session.logic.lines < 1 || session.logic.lines > 16 || session.logic.words.size() > formats::kSrMaxSamples)
        std::abort();
    for (std::uint16_t w : session.logic.words)
        if (w >> session.logic.lines)
            std::abort();
    return 0;
}
