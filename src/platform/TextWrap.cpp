#include "platform/TextWrap.h"

#include "platform/Paths.h"

namespace platform {

namespace {

int WidthOf(HDC dc, const std::string& text) {
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &extent);
    return extent.cx;
}

}  // namespace

std::vector<std::string> WrapToWidth(HDC dc, const std::vector<std::string>& lines, int width) {
    std::vector<std::string> wrapped;
    for (const std::string& line : lines) {
        if (width <= 0 || WidthOf(dc, line) <= width) {
            wrapped.push_back(line);
            continue;
        }
        std::string current;
        size_t blank = std::string::npos;  // where the last blank in current starts
        ForEachCharacter(line, [&](std::string_view character) {
            if (character == " ") blank = current.size();
            current += character;
            if (WidthOf(dc, current) <= width || current.size() == character.size()) return;
            if (blank != std::string::npos && blank > 0) {
                wrapped.push_back(current.substr(0, blank));
                current.erase(0, blank + 1);
            } else {
                wrapped.push_back(current.substr(0, current.size() - character.size()));
                current = std::string(character);
            }
            blank = std::string::npos;
        });
        wrapped.push_back(current);
    }
    return wrapped;
}

}  // namespace platform
