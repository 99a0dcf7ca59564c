// Runs the GIO default-handler adapter once in a fresh process, so each test sees GIO start from the
// XDG directories it prepared (GIO caches what it has read for the life of a process).
//
//   defaulthandler_probe [--installed PREFIX] canclaim|problem|current|claim
//
// --installed makes the probe behave as if it ran from PREFIX/bin; without it the probe is what it
// is, a binary in the build tree. Prints one line: "1"/"0", the claim problem or "none", "none" or "<name>\t<1|0>", "ok" or
// "error: <text>". Log records go to standard error.
#include <iostream>
#include <string>

#include "tarnwick/helper/defaulthandler.h"

using namespace tarnwick;

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    GioDefaultHandler::IdentityLookup identity = &BundleIdentity::current;
    if (args.size() >= 2 && args[0] == "--installed") {
        const std::filesystem::path executable = std::filesystem::path(args[1]) / "bin" / "tarnwick-helper";
        identity = [executable] { return BundleIdentity::forExecutable(executable); };
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() != 1)
        return 2;

    ManualMainQueue queue;
    GioDefaultHandler handler(queue, identity);
    if (args[0] == "canclaim") {
        std::cout << (handler.canClaim() ? "1" : "0") << "\n";
    } else if (args[0] == "problem") {
        std::cout << handler.claimProblem().value_or("none") << "\n";
    } else if (args[0] == "current") {
        const auto current = handler.current(DefaultHandler::Target::mailto);
        if (current)
            std::cout << current->displayName << "\t" << (current->isThisProduct ? "1" : "0") << "\n";
        else
            std::cout << "none\n";
    } else if (args[0] == "claim") {
        bool done = false;
        handler.claim(DefaultHandler::Target::mailto, [&](std::optional<std::string> error) {
            done = true;
            std::cout << (error ? "error: " + *error : std::string("ok")) << "\n";
        });
        queue.runAll();
        if (!done)
            return 3;
    } else {
        return 2;
    }
    return 0;
}
