// Replacing a file as a whole: the new contents go to a file beside it,
// reach the disk, and only then take the old file's place in one step. A
// kill or a power loss during the write leaves the old file or the new one,
// never a file cut short. The platform does the last two steps
// (file_replace_posix.cpp, file_replace_win32.cpp).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tb {

// The bytes as they are, or (textMode) with every LF written as CR LF. A
// file that need not outlive a power loss (!durable) is still replaced in
// one step, but nothing waits for the disk.
bool replaceFileContents(const std::string& path, std::string_view bytes, bool textMode = false,
                         bool durable = true);

// Platform steps: what was written to the open file reaches the disk; the
// file `from` takes the place of `to` (replacing it) in one step.
bool flushToDisk(std::FILE* file);
bool moveIntoPlace(const std::string& from, const std::string& to, bool durable = true);

}  // namespace tb
