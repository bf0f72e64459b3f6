#include <iostream>
#include <string>
#include <vector>

#include "cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = varnel::tool::runTool(arguments, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "varnel-tool could not write its output in full.\n";
        return 2;
    }
    return status;
}
