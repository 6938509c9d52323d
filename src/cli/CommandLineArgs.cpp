#include "cli/CommandLineArgs.h"

namespace talven::cli {

std::string ParsedArgs::Value(const std::string& option, const std::string& fallback) const {
    auto it = values.find(option);
    if (it == values.end() || it->second.empty())
        return fallback;
    return it->second.back();
}

bool ParseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& allowed,
               ParsedArgs& parsed, std::string& error) {
    bool onlyOperands = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyOperands || arg.size() < 2 || arg[0] != '-') {
            parsed.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyOperands = true;
            continue;
        }
        std::string name = arg;
        std::string inlineValue;
        bool hasInlineValue = false;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
            hasInlineValue = true;
        }
        const OptionSpec* allowedOption = nullptr;
        for (const auto& s : allowed) {
            if (s.name == name)
                allowedOption = &s;
        }
        if (allowedOption == nullptr) {
            error = "unknown option " + name;
            return false;
        }
        if (!allowedOption->repeatable && parsed.Has(name)) {
            error = "option " + name + " given more than once";
            return false;
        }
        if (!allowedOption->takesValue) {
            if (hasInlineValue) {
                error = "option " + name + " takes no value";
                return false;
            }
            parsed.values[name].push_back("");
            continue;
        }
        if (!hasInlineValue) {
            if (i + 1 >= args.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            inlineValue = args[++i];
        }
        parsed.values[name].push_back(inlineValue);
    }
    return true;
}

}  // namespace talven::cli
