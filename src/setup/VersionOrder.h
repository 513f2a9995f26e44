#pragma once
// Versions as an uninstall entry's "DisplayVersion" holds them: numbers separated by dots,
// compared part by part as numbers, so that 2.9.300 is older than 2.10.255. Missing parts
// count as 0 (2.10 is 2.10.0).
#include <optional>
#include <string>

namespace setup {

// Negative, zero or positive as a is older than, the same as or newer than b. Nothing when
// either is no such version (empty, a letter, an empty part): the caller decides what an
// unreadable version means rather than this guessing an order.
std::optional<int> CompareVersions(const std::string& a, const std::string& b);

}  // namespace setup
