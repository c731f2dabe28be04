// SPDX-License-Identifier: MIT
#pragma once

// A small reader and writer for INI profile files (the text itself is handled
// in ProfileText.h). Writing replaces the file atomically: a temporary
// file in the same folder is written, flushed to disk and renamed over the old
// one, so a crash or a failure at any point leaves the old file intact.

#include "AtomicFile.h"
#include "ProfileText.h"

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace ProfileFile {

// A profile is a few KiB; a larger file is damaged and is not read (nor
// replaced by writeValue, which would have to read it).
inline constexpr qint64 kMaxProfileSize = 1 << 20;

// The value of `key` in `section` (spaces around it removed), or nothing when
// the file, the section or the key is missing or the file cannot be read.
std::optional<std::string> readValue(const QString& path, std::string_view section, std::string_view key);

// How the temporary file is moved into place; tests inject a failing one.
using RenameFunction = zrq7::fileio::RenameFunction;

// Replaces the file at `path` with `data` (mode `mode`, also when the file
// existed), creating its folder (mode 0700) when missing; over a symbolic link
// the file it points at is replaced (zrq7::fileio::replaceFile). False when
// anything failed; the old file is then unchanged and no temporary file is
// left behind.
bool writeAtomically(const QString& path, std::string_view data, unsigned mode = 0600,
                     RenameFunction renameFile = nullptr);

// readValue + withValue + writeAtomically (mode 0600).
bool writeValue(const QString& path, std::string_view section, std::string_view key, std::string_view value,
                RenameFunction renameFile = nullptr);

} // namespace ProfileFile
