#pragma once

#include <string_view>

namespace r7n {

// True when an ordinary file of that name is present (read-only ones
// included); false for a directory, and always false for a wildcard pattern,
// so that a pattern can never stand in for a file. One implementation per
// platform: where file names ignore case and files carry hidden and system
// attributes, those rules apply as well.
bool FileExist(std::string_view name);

}  // namespace r7n
