// tarnvel: converts outline files to and from Palm OS databases and shows
// what a database holds.
//
//   tarnvel to-pdb IN.kxo OUT.pdb
//   tarnvel to-kxo IN.pdb OUT.kxo      (also: from-pdb)
//   tarnvel info FILE.pdb

#include "Convert.h"
#include "PdbInfo.h"

#include <cstring>
#include <iostream>
#include <string>

namespace {

int usage()
{
    std::cerr << "usage: tarnvel to-pdb IN.kxo OUT.pdb\n"
                 "       tarnvel to-kxo IN.pdb OUT.kxo   (or from-pdb)\n"
                 "       tarnvel info FILE.pdb\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    std::string message;
    int result = 0;
    if (command == "to-pdb" && argc == 4)
        result
            = tarnvel::RunGuarded([&] { tarnvel::ConvertOutlineToPdb(argv[2], argv[3]); }, message);
    else if ((command == "to-kxo" || command == "from-pdb") && argc == 4)
        result
            = tarnvel::RunGuarded([&] { tarnvel::ConvertPdbToOutline(argv[2], argv[3]); }, message);
    else if (command == "info" && argc == 3)
        result = tarnvel::RunGuarded([&] { tarnvel::PrintPdbInfo(argv[2], std::cout); }, message);
    else
        return usage();
    if (result != 0) {
        std::cerr << "tarnvel: " << message << "\n";
        return 1;
    }
    return 0;
}
