// Reading and writing the files a user hands the simulator (board profiles,
// NVRAM stores, the driver module, screens and exports). Only a regular file up
// to a size cap is read, so a directory, a device such as /dev/zero or a FIFO
// is refused at once instead of filling memory or waiting for a writer. Every
// file a run writes goes through WriteUserFile, the one place that decides
// whether a file may be replaced: never a file the run reads under another
// name, never a read-only file, never a directory, FIFO or device. Every fault
// names its true cause.
//
// The run remembers the paths it reads and writes, and compares files by
// device and inode at the moment of each check, so one file reached by two
// names (a symbolic or hard link, a relative path) is one file, and a file
// deleted since is no longer anyone's.
#pragma once

#include <cstddef>
#include <string>

namespace sim {

// What a read accepts besides a regular file. A pipe (`<(setup-sim --json)`, a
// FIFO) suits an input that is only read, never one that a run writes back.
enum class ReadSource { RegularFile, FileOrPipe };

// The whole file's text. Throws std::runtime_error whose message is prefix
// followed by the cause: "no such file", "is a directory", "is not a regular
// file", "permission denied", "is empty", "is larger than N bytes", ...
// reader names what the run reads the file as ("--board", "--nvram"); only a
// write under the same name may replace it ("" for a file no output replaces).
// A pipe is read to its end, up to the same cap; one with no writer is empty.
std::string ReadUserFile(const std::string &path, size_t largest, const std::string &prefix,
                         const std::string &reader = "", ReadSource source = ReadSource::RegularFile);

// Throws what WriteUserFile would for path under option (the command-line
// option or argument that named it), and checks that a file can be created
// beside the target, so a run refuses an impossible output before it does any
// work. The path is then reserved for option: no other output of the run may
// write the same file.
void CheckWritable(const std::string &path, const std::string &option);

// Replaces the file path leads to (through symbolic links) with bytes: written
// to a new file beside it with the old file's mode (or the umask's for a new
// file), flushed, renamed over the old one, and the folder flushed, so a crash
// leaves the old file or the new one, never a mixture. Throws
// std::runtime_error "OPTION PATH: cause" and leaves the old file as it was
// when the target is read-only, a directory, FIFO or device, a file the run
// reads as something else or writes under another option, or when any step
// fails (the temporary file is then removed).
void WriteUserFile(const std::string &path, const std::string &bytes, const std::string &option);

// The file a path leads to once every symbolic link in its last part is
// followed (a link to a link, a relative target), so that a save replaces the
// target rather than the link. The path itself when it is not a link. A loop
// or a chain longer than 40 links is a std::runtime_error naming the path.
std::string FollowLinks(const std::string &path);

// Whether anything (a file, a folder, a dangling link) goes by that path.
bool PathExists(const std::string &path);

}  // namespace sim
