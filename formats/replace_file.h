// Writing a file so that it either appears whole or not at all.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "formats/record.h"

namespace formats
{

// Writes `path` through `write`, which gets a binary stdio stream on a new
// file beside the target.  The new file takes the target's name only once
// `write` returned Ok and every write, the flush and the close succeeded; on
// any failure it is removed and the old target (if any) is left as it was.
//
// The target, when it exists, must be a regular file the user may write:
// a FIFO or a device is refused before anything is opened (opening one
// would wait for a reader or write where no file keeps it).  A symbolic
// link is followed, so the file it points to is replaced.  A replaced file
// keeps its permission bits and reaches the disk before taking its name.
// A writer that runs out of memory (std::bad_alloc) gives TooLarge.
Status WriteReplacing(const std::string &path, const std::function<Status(std::FILE *)> &write);

// Reads a whole regular file into `bytes`, at most `limit` bytes.  A FIFO,
// a device or a folder is refused (NotRegularFile) without being opened for
// reading; a larger file gives TooLarge.
Status ReadWholeFile(const std::string &path, std::size_t limit, std::string *bytes);

} // namespace formats
