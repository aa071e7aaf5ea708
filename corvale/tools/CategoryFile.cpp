#include "CategoryFile.h"

#include "kx_gen/Exception.h"

namespace corvale_tool {

std::unique_ptr<kx_gen::CDatabase> OpenCategoryFile(const char *, unsigned)
{
    throw new kx_gen::CException("category tables cannot be read yet");
}

void PrintCategoryInfo(const OpenedFile &, std::ostream &) { }
void PrintCategoryExtraRows(const OpenedFile &, std::ostream &) { }
void WriteCategoryExtraRows(const OpenedFile &, JsonWriter &) { }
void CheckCategoryRecords(const OpenedFile &) { }
void PrintCategoryList(const OpenedFile &, std::ostream &) { }

} // namespace corvale_tool
