#pragma once

// The program's --convert-to option: outlines converted from the command
// line, without a window, in the manner of office suites.
//
//   vellacor --convert-to FORMAT [--outdir DIR] [--force] FILE...
//
// Every format but PDF goes through the exchange formats' converter; PDF
// goes through the printing path, so that the file holds what a preview
// shows.

#include <string>
#include <vector>

namespace shell {

// True when the command line asks for a conversion (then nothing else runs).
bool WantsConversion(int argc, char **argv);
// Whether that conversion needs the GUI library (PDF does: it paints).
bool ConversionNeedsGui(int argc, char **argv);
// Runs the conversion; the exit status: 0 done, 1 a file failed (a message
// each on standard error), 2 wrong usage.
int RunConversion(int argc, char **argv);

} // namespace shell
