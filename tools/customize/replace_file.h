// Reading a library file whole and replacing its content so that a failure at any step leaves
// the original as it was.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace customize {

// Reads the whole regular file at `path` (a symbolic link is followed) into *bytes. On failure
// returns false with the reason in *error; *bytes may then hold part of the file.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error);

// Replaces the content of the file at `path` with `bytes`: writes them to a new temporary file in
// the same folder, flushes it to disk, gives it the original's permission bits and renames it
// over the original, so readers see either the old file or the new one, never a part. A symbolic
// link is followed: the file it names is replaced and the link stays. On failure returns false
// with the reason in *error; the original is untouched and the temporary file is removed.
bool ReplaceFileContent(const std::string& path, std::span<const unsigned char> bytes,
                        std::string* error);

}  // namespace customize
