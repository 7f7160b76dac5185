#include "formats/record.h"

#include <cmath>

namespace formats
{

const char *StatusText(Status status)
{
    switch (status) {
    case Status::Ok:
        return "done";
    case Status::BadArgument:
        return "nothing to save, or unusable settings";
    case Status::NotRegularFile:
        return "the target is not a regular file";
    case Status::OpenFailed:
        return "the file cannot be created or opened";
    case Status::WriteFailed:
        return "writing the file failed";
    case Status::ReadFailed:
        return "reading the file failed";
    case Status::ParseError:
        return "the file is not a record of this format";
    case Status::TooLarge:
        return "the file is too large";
    case Status::Unsupported:
        return "this format is not available in this build";
    }
    return "unknown status";
}

bool IsWritable(const Record &record)
{
    if (!(record.sampleInterval > 0.0) || !std::isfinite(record.sampleInterval) || !std::isfinite(record.firstTime))
        return false;
    if (record.channels.empty() || record.Samples() == 0)
        return false;
    for (const Channel &c : record.channels)
        if (c.values.size() != record.Samples())
            return false;
    return true;
}

} // namespace formats
