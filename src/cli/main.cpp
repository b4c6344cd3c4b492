// SPDX-License-Identifier: MIT
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliApplication.h"
#include "cli/TerminalText.h"
#include "cli/TunedHeap.h"
#include "platform/file/TemporaryNames.h"

int main(int argc, char** argv) {
    TunedHeap::Apply();
    TemporaryNames::RemoveOnTerminationSignals();
    // Whatever goes wrong below, the run ends with a message and the exit code of a failed input.
    try {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        return CliApplication(std::cout, std::cerr).Run(arguments);
    } catch (const std::exception& failure) {
        std::cerr << "tilewright-cli: " << PrintableText(failure.what()) << "\n";
    } catch (...) {
        std::cerr << "tilewright-cli: an unexpected failure\n";
    }
    return CliApplication::kInputFailed;
}
