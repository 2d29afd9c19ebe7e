// Printing a document into a PDF file, for programs without a window (pelmar-batch).
#pragma once

#include <string>

#include "print/uniPgSetup.h"
#include "print/uniPrint.h"

class TuniMemo;

// Prints the editor's document (its selection's lines, if any) through PrintDocument into
// the PDF file `fileName`, on the paper and within the margins of `setup`. The toolkit layer
// implements it (print/qt/qtPdfPrint.cpp; link pelmar_print_qt): it makes an offscreen
// application for the fonts when the program has none. Throws EPrintError on failure.
TPrintResult PrintToPdf(TuniMemo& memo, const std::string& fileName, const TuniPageSetup& setup);
