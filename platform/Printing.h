#pragma once
// The system's default printer, with a seam so tests can put a PDF printer in
// its place.

#include <QPrinter>
#include <functional>
#include <memory>

namespace Printing {

using TPrinterFactory = std::function<std::unique_ptr<QPrinter>()>;

// The default printer; raises "There is no default printer currently
// selected" when there is none and "Printer selected is not valid" when it
// cannot be drawn on.
std::unique_ptr<QPrinter> DefaultPrinter();

// Replaces the default printer (nullptr function restores the system's).
void SetDefaultPrinterFactory(TPrinterFactory factory);

} // namespace Printing
