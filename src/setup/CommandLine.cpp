#include "setup/CommandLine.h"

#include "platform/Paths.h"

namespace setup {

std::vector<std::string> SplitArguments(const std::string& commandLine) {
    std::vector<std::string> arguments;
    size_t at = 0;
    // The program's name ends at its closing quotation mark, or else at the first blank.
    if (!commandLine.empty() && commandLine[0] == '"') {
        at = commandLine.find('"', 1);
        at = at == std::string::npos ? commandLine.size() : at + 1;
    } else {
        at = commandLine.find_first_of(" \t");
        if (at == std::string::npos) at = commandLine.size();
    }
    std::string argument;
    bool quoted = false, started = false;
    for (; at < commandLine.size(); ++at) {
        char c = commandLine[at];
        if (c == '"') {
            quoted = !quoted;
            started = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (started) arguments.push_back(argument);
            argument.clear();
            started = false;
        } else {
            argument += c;
            started = true;
        }
    }
    if (started) arguments.push_back(argument);
    return arguments;
}

namespace {

// "/DIR=x" gives x for the name "/DIR"; nothing when the argument is not that switch.
std::optional<std::string> ValueOf(const std::string& argument, const std::string& upperName) {
    std::string upper = platform::UpperCaseAscii(argument);
    if (upper.size() <= upperName.size() || upper.compare(0, upperName.size(), upperName) != 0 ||
        upper[upperName.size()] != '=')
        return std::nullopt;
    return argument.substr(upperName.size() + 1);
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine command;
    std::vector<std::string> unknown;
    auto take = [&](std::optional<std::string>& slot, std::string value, const char* name) {
        if (slot) command.error = std::string(name) + " is given twice";
        if (value.empty()) command.error = std::string(name) + " has no value";
        slot = std::move(value);
    };
    for (const std::string& argument : arguments) {
        std::string upper = platform::UpperCaseAscii(argument);
        if (upper == kUninstallSwitch) {
            command.uninstall = true;
        } else if (upper == kSilentSwitch) {
            command.silent = true;
        } else if (std::optional<std::string> folder = ValueOf(argument, "/DIR")) {
            take(command.folder, *folder, "/DIR");
        } else if (std::optional<std::string> log = ValueOf(argument, "/LOG")) {
            take(command.log, *log, "/LOG");
        } else {
            unknown.push_back(argument);
        }
    }
    // With a person there, what follows a known first argument is passed over, as ever.
    command.unknownFirst = !unknown.empty() && unknown.front() == arguments.front();
    if (!command.silent || !command.error.empty()) return command;
    if (!unknown.empty()) {
        command.error = "unknown switch " + unknown.front();
    } else if (command.folder && command.uninstall) {
        command.error = "/DIR is no switch of an uninstall, which removes the suite beside the program";
    } else if (command.folder && !platform::IsFullPath(*command.folder)) {
        command.error = "/DIR is not a full path: " + *command.folder;
    } else if (command.folder && !IsDestinationPath(*command.folder)) {
        command.error = "/DIR names a folder the system's code page cannot write: " + *command.folder;
    }
    return command;
}

bool IsDestinationPath(const std::string& folder) {
    return platform::IsFullPath(folder) && !platform::HasLostCharacters(folder);
}

}  // namespace setup
