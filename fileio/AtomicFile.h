// SPDX-License-Identifier: MIT
// Replacing a file whole, so that a crash or a failure at any point leaves
// either the old contents or the new ones, never a mix: a temporary file
// beside the target is written, flushed to disk and renamed over it, and the
// folder is flushed after the rename so the new name survives a power cut.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zrq7::fileio {

// How the temporary file is moved into place (rename(2)); tests inject a failing one.
using RenameFunction = int (*)(const char* from, const char* to);

struct ReplaceOptions
{
    // Permission bits of a file that does not exist yet.
    unsigned newFileMode = 0644;
    // An existing file keeps its permission bits; false gives it newFileMode
    // as well (a profile that must stay private).
    bool keepExistingMode = true;
    RenameFunction rename = nullptr;
};

// The file a save of `path` must replace: `path` itself, or, when it is a
// symbolic link, the file at the end of its links (relative links read against
// their own folder; the last one may point at a file not created yet). Empty,
// with errno set, when the links loop or cannot be read.
std::optional<std::string> saveTarget(const std::string& path);

// Replaces the file `path` names (through its links, see saveTarget) with
// `contents`. False, with errno set, when anything before the rename failed:
// the old file is then unchanged and no temporary file is left behind.
bool replaceFile(const std::string& path, std::string_view contents, const ReplaceOptions& options = {});

} // namespace zrq7::fileio
