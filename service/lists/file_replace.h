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

// Where Windows of the 95 family lost power between the two steps of a
// replacement (the old file deleted, the new one not yet renamed), the
// complete new file is put in place. True when it did that.
bool finishReplacement(const std::string& path);

// Platform steps: what was written to the open file reaches the disk; the
// file `from` takes the place of `to` (replacing it) in one step.
bool flushToDisk(std::FILE* file);
bool moveIntoPlace(const std::string& from, const std::string& to, bool durable = true);

}  // namespace tb
