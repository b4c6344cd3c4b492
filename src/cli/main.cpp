#include <iostream>
#include <string>
#include <vector>

#include "cli/CliApplication.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return CliApplication(std::cout, std::cerr).Run(arguments);
}
