#include "tools/tesselcfg/commands/UsageErrors.h"

#include <cmath>
#include <iostream>

#include "tools/tesselcfg/commands/CommandTable.h"

namespace tesselcfg {

CLI::Validator positiveSeconds() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            std::size_t used = 0;
            double value = 0;
            try {
                value = std::stod(text, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used == 0 || used != text.size() || !std::isfinite(value) || value <= 0) {
                return "needs a number of seconds above 0, not '" + text + "'";
            }
            return "";
        },
        "POSITIVE");
}

int usageExit(CLI::App& app, const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {
        return app.exit(error);  // help or version
    }
    const auto parsed = app.get_subcommands();
    std::string message = error.what();
    if (parsed.empty() && dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
        // CLI11 says only that a subcommand is required; name the word it did not know.
        message = "a command is needed";
        for (const std::string& word : app.remaining()) {
            if (!word.empty() && word[0] != '-') {
                message = "no command named '" + word + "'";
                break;
            }
        }
        std::cerr << app.get_name() << ": " << message << " (" << app.get_name()
                  << " --help lists the commands)\n";
        return ExitUsage;
    }
    std::string command = app.get_name();
    if (!parsed.empty()) {
        command += " " + parsed.front()->get_name();
    }
    std::cerr << app.get_name() << ": " << message << "\nRun '" << command
              << " --help' for more information.\n";
    return ExitUsage;
}

}  // namespace tesselcfg
