#include "InstallerCommand.h"

#include <filesystem>
#include <iostream>

int main(int argc, char **argv)
{
    // The helper libraries and the program are looked for beside the
    // installer itself, wherever it was started from.
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    std::vector<std::string> args(argv + 1, argv + argc);
    vellacorinstaller::CInstallerCommand command(
        std::cout, std::cerr, error ? std::string(".") : self.parent_path().string());
    return command.Run(args);
}
