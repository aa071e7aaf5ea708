#pragma once

// Conversion between outline files and the exchange formats without a
// window: the vellacor-convert command, and what the program runs for its
// own --convert-to option.
//
//   vellacor-convert [--force] IN OUT
//   vellacor-convert --convert-to FORMAT [--outdir DIR] [--force] FILE...
//
// Formats follow the extensions: .kxo/.kxt, .opml, .md, .txt, .pdb and
// .docx in and out, .html out only. An existing output file is replaced
// only with --force.

#include <iosfwd>
#include <string>
#include <vector>

namespace formats {

// Converts one file. False with the reason in `error`; nothing is written
// then. Warnings of the import (characters kept as markers, levels folded)
// are appended to `warnings`.
bool ConvertFile(const std::string &inPath, const std::string &outPath, bool force,
    std::string &error, std::vector<std::string> &warnings);

// The whole command line without the program's name. Exit status: 0 when
// every file was converted, 1 when one failed (a message for each on
// `err`), 2 for wrong usage (the usage on `err`). --help prints the usage
// on `out` and returns 0.
int RunConvertCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

// The usage text.
std::string ConvertUsage(const std::string &program);

} // namespace formats
