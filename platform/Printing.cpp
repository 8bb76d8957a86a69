#include "platform/Printing.h"

#include "platform/Errors.h"

#include <QPrinterInfo>

namespace Printing {
namespace {
TPrinterFactory &Factory()
{
    static TPrinterFactory factory;
    return factory;
}
} // namespace

std::unique_ptr<QPrinter> DefaultPrinter()
{
    std::unique_ptr<QPrinter> printer;
    if (Factory()) {
        printer = Factory()();
    } else {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (!info.isNull())
            printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    if (!printer)
        throw EGlimraError(QStringLiteral("There is no default printer currently selected"));
    if (!printer->isValid())
        throw EGlimraError(QStringLiteral("Printer selected is not valid"));
    return printer;
}

void SetDefaultPrinterFactory(TPrinterFactory factory)
{
    Factory() = std::move(factory);
}

} // namespace Printing
