// Reading and naming the files a user hands the simulator (board profiles,
// NVRAM stores). Only a regular file up to a size cap is read, so a directory,
// a device such as /dev/zero or a FIFO is refused at once instead of filling
// memory or waiting for a writer; every fault names its true cause.
#pragma once

#include <cstddef>
#include <string>

namespace sim {

// The whole file's text. Throws std::runtime_error whose message is prefix
// followed by the cause: "no such file", "is a directory", "is not a regular
// file", "permission denied", "is empty", "is larger than N bytes", ...
std::string ReadUserFile(const std::string &path, size_t largest, const std::string &prefix);

// The file a path leads to once every symbolic link in its last part is
// followed (a link to a link, a relative target), so that a save replaces the
// target rather than the link. The path itself when it is not a link. A loop
// or a chain longer than 40 links is a std::runtime_error naming the path.
std::string FollowLinks(const std::string &path);

}  // namespace sim
