// vellacor-convert: converts outlines between the program's files and the
// exchange formats from the command line.

#include "Convert.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return formats::RunConvertCommand(args, std::cout, std::cerr);
}
