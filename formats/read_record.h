// Opens any record file the bench reads, chosen by the name's ending (any
// case): ".asc", ".dat" (the scope's own), ".csv", ".wav", ".sr" (its
// analog channels).  Every reader takes the file as untrusted input.
#pragma once

#include <string>

#include "formats/record.h"

namespace formats
{

// On failure the record is empty and `message` says why ("the file ends
// after 3 of its 4 samples", "unknown file type ...").
Status ReadRecordFile(const std::string &path, Record *record, std::string *message = nullptr);

// True when the name's ending is one ReadRecordFile reads in this build.
bool ReadsRecordFile(const std::string &path);

} // namespace formats
