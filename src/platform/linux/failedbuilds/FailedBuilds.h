#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Builds whose new version ended within its first seconds and was rolled
// back. The replacement tool records them in a small text file beside the
// backups; the update engine never hands off a recorded build again, so a
// release that cannot start cannot cause a loop of restarts.
namespace corvane::failedbuilds {

// The record's name inside the backup folder.
inline constexpr const char* kFileName = "failed-builds";

// The record keeps only this many of the latest builds.
inline constexpr std::size_t kMaxEntries = 64;

// A plain decimal integer: an optional "+" or "-", then the digits 0 to 9
// only (at least one), within the signed 64-bit range. Anything else,
// spaces included, is no number.
std::optional<std::int64_t> parseDecimal(std::string_view text);

// The record's format: one decimal build per line, oldest first. Lines that
// are not plain decimal numbers are passed over.
std::vector<std::int64_t> parse(std::string_view text);
std::string format(const std::vector<std::int64_t>& builds);

// The builds in the record at `file`; empty when it is missing or unreadable.
// Reads at most the first 64 KiB, far more than a full record takes.
std::set<std::int64_t> readFailedBuilds(const std::filesystem::path& file);

// Adds `build` as the latest entry (an earlier entry of the same build is
// dropped) and keeps the last kMaxEntries. The file is replaced atomically:
// written to a temporary file beside it, synced, renamed over it, and the
// folder synced. Returns 0, or the errno of the step that failed; on
// failure the previous record is left as it was.
int recordFailedBuild(const std::filesystem::path& file, std::int64_t build);

}  // namespace corvane::failedbuilds
