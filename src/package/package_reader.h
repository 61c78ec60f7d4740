#pragma once
// Reading a package file's trailer, end offset and checksum. Every length and offset taken from
// the file is checked against the file's size before it is used.
#include <cstdint>
#include <string>

#include "package/read_only_file.h"
#include "package/trailer.h"

namespace velkor {

// Image test: "MZ" at offset 0 and "PE" at offset 256.
bool IsPEImage(ReadOnlyFile& file);

// The 64-bit end offset stored at 248 (high half) and 252 (low half); 0 when the file is too
// short to hold it.
std::uint64_t ReadEndOffset(ReadOnlyFile& file);

// Locates and reads the trailer into *record. The trailer's own size S sits in its last 4 bytes,
// found at the end of the file or, in a stub image with an end offset, just before that offset.
// Only min(S, 74) - 4 bytes are read, so a shorter stored trailer fills only its leading fields;
// record->TrailerSize then says how many bytes were taken into account, and a DescriptorCount of
// 0 reads as 2.
// Returns false, leaving the record zeroed, when the layout cannot be a trailer: the file is
// shorter than 4 bytes, the end offset lies outside the file, or S is below 4 or reaches before
// the start of the file. A true result says nothing about the magic; callers test that.
bool ReadTrailer(ReadOnlyFile& file, Trailer* record);
bool ReadTrailer(const std::string& path, Trailer* record);

// Package checksum of a file: 1234 (never checked) for files above 50 MiB or files that cannot be
// opened. `trailer_size` is the record's TrailerSize as ReadTrailer left it.
std::uint32_t PackageChecksum(const std::string& path, std::int64_t trailer_size);

// Whether a stored checksum accepts a computed one (1234 on either side skips the check).
bool ChecksumPasses(std::uint32_t stored, std::uint32_t computed);

}  // namespace velkor
