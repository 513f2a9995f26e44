#include "setup/VersionOrder.h"

#include <vector>

namespace setup {
namespace {

// The version's parts without their leading zeros, or nothing. Parts stay digit strings, so
// that a part of any length compares without overflowing a number type.
std::optional<std::vector<std::string>> Parts(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    size_t last = text.find_last_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = first;; ++i) {
        if (i > last || text[i] == '.') {
            if (part.empty()) return std::nullopt;
            size_t digits = part.find_first_not_of('0');
            parts.push_back(digits == std::string::npos ? "" : part.substr(digits));
            part.clear();
            if (i > last) return parts;
        } else if (text[i] >= '0' && text[i] <= '9') {
            part += text[i];
        } else {
            return std::nullopt;
        }
    }
}

int CompareParts(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    int order = a.compare(b);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

}  // namespace

std::optional<int> CompareVersions(const std::string& a, const std::string& b) {
    std::optional<std::vector<std::string>> left = Parts(a), right = Parts(b);
    if (!left || !right) return std::nullopt;
    const std::string zero;
    for (size_t i = 0; i < left->size() || i < right->size(); ++i) {
        const std::string& x = i < left->size() ? (*left)[i] : zero;
        const std::string& y = i < right->size() ? (*right)[i] : zero;
        if (int order = CompareParts(x, y); order != 0) return order;
    }
    return 0;
}

}  // namespace setup
