#include "formats/read_record.h"

#include <string>
#include <utility>

#include <strings.h>

#include "formats/csv.h"
#include "formats/scope_records.h"
#include "formats/sigrok_session.h"
#include "formats/wav.h"

namespace formats
{
namespace
{

bool EndsWith(const std::string &path, const char *suffix)
{
    const std::size_t n = std::char_traits<char>::length(suffix);
    return path.size() > n && ::strcasecmp(path.c_str() + path.size() - n, suffix) == 0;
}

} // namespace

bool ReadsRecordFile(const std::string &path)
{
    return EndsWith(path, ".asc") || EndsWith(path, ".dat") || EndsWith(path, ".csv") ||
           (EndsWith(path, ".wav") && WavAvailable()) || (EndsWith(path, ".sr") && SrAvailable());
}

Status ReadRecordFile(const std::string &path, Record *record, std::string *message)
{
    if (!record)
        return Status::BadArgument;
    *record = Record();
    if (EndsWith(path, ".asc"))
        return ReadAsc(path, record, message);
    if (EndsWith(path, ".dat"))
        return ReadDat(path, record, message);
    if (EndsWith(path, ".csv"))
        return ReadCsv(path, record, message);
    if (EndsWith(path, ".wav"))
        return ReadWav(path, record, message);
    if (EndsWith(path, ".sr")) {
        SrSession session;
        const Status status = ReadSr(path, &session, message);
        if (status != Status::Ok)
            return status;
        if (session.analog.channels.empty()) {
            if (message)
                *message = "the session holds logic lines only, no analog channel";
            return Status::ParseError;
        }
        *record = std::move(session.analog);
        return Status::Ok;
    }
    if (message)
        *message = "unknown file type (.asc, .csv, .wav, .sr or .dat expected)";
    return Status::ParseError;
}

} // namespace formats
