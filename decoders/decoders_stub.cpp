// The decoder interface in a build without libsigrokdecode: no decoders are
// available, every decode reports why.
#include "decoders/decoders.h"

namespace decoders
{

namespace
{
const char *const kWhy = "this build has no protocol decoders (libsigrokdecode was not found)";
}

bool Available()
{
    return false;
}

std::string UnavailableReason()
{
    return kWhy;
}

const std::vector<DecoderInfo> &List()
{
    static const std::vector<DecoderInfo> none;
    return none;
}

const DecoderInfo *Find(const std::string &)
{
    return nullptr;
}

Result Decode(const std::vector<Stage> &stages, const Capture &, CancelCheck, void *)
{
    Result result;
    result.messages.assign(stages.size(), kWhy);
    return result;
}

} // namespace decoders
