#pragma once

// The rows of an outline view in screen coordinates, for end-to-end tests
// that drive the program with real mouse events: when the environment
// variable VELLACOR_VIEW_PROBE names a file, each paint of an outline view
// rewrites it with one line per row shown:
//     text<TAB>expander x<TAB>expander y<TAB>level
// (the centre of the row's expander). Without the variable nothing is done.

class CZumraView;

void ProbeViewRows(const CZumraView &view);
