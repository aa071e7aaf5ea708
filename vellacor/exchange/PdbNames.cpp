#include "PdbNames.h"

#include "ExchangeText.h"

#include "OutlineServices.h"

#include "kx_gen/PathUtils.h"

#include <algorithm>
#include <cctype>
#include <string_view>

using kx_gen::_String;

namespace exchange {

namespace {

bool endsWithNoCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size()
        && std::equal(suffix.begin(), suffix.end(),
            text.end() - static_cast<std::ptrdiff_t>(suffix.size()), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a))
                    == std::tolower(static_cast<unsigned char>(b));
            });
}

void addFilter(std::vector<SFileFilter> &filters, const char *name, const char *separator,
    const char *extension)
{
    _String display = _String(name) + " (*" + separator + extension + ".pdb)";
    _String pattern = _String("*") + separator + extension + ".pdb";
    filters.push_back({ display, pattern });
}

} // namespace

std::vector<SFileFilter> PdbFileFilters()
{
    std::vector<SFileFilter> filters;
    addFilter(filters, kOutlinesFilterName, ".", kOutlineExtensionText);
    addFilter(filters, kOutlinesFilterName, "_", kOutlineExtensionText);
    addFilter(filters, kTemplatesFilterName, ".", kTemplateExtensionText);
    addFilter(filters, kTemplatesFilterName, "_", kTemplateExtensionText);
    filters.push_back({ _String(kAllFilesFilterName), _String("*.*") });
    return filters;
}

_String ProposedPdbFileName(const _String &fileTitle)
{
    std::string name = fileTitle.str();
    std::replace(name.begin(), name.end(), ' ', '_');
    return _String(name);
}

bool CheckPdbFileTitle(const _String &chosenPath, CMessageSink *sink)
{
    std::string title = kx_gen::GetFileTitle(chosenPath).str();
    if (const std::size_t dot = title.rfind('.'); dot != std::string::npos)
        title.erase(dot);
    if (static_cast<int>(title.size()) <= kMaxPdbFileTitleLength)
        return true;
    if (sink)
        sink->ShowMessage(kMsgFileTitleTooLong);
    return false;
}

const char *SImportName::Extension() const
{
    return m_bTemplate ? kTemplateExtensionText : kOutlineExtensionText;
}

SImportName ImportNameFromPdb(const _String &pdbPath)
{
    std::string name = kx_gen::GetFileName(pdbPath).str();
    if (endsWithNoCase(name, ".pdb"))
        name.erase(name.size() - 4);
    SImportName result;
    const std::pair<std::string, bool> kinds[] = {
        { std::string(".") + kOutlineExtensionText, false },
        { std::string("_") + kOutlineExtensionText, false },
        { std::string(".") + kTemplateExtensionText, true },
        { std::string("_") + kTemplateExtensionText, true },
    };
    for (const auto &[suffix, isTemplate] : kinds) {
        if (endsWithNoCase(name, suffix) && name.size() > suffix.size()) {
            name.erase(name.size() - suffix.size());
            result.m_bTemplate = isTemplate;
            break;
        }
    }
    result.m_strTitle = _String(name);
    kx_gen::ValidateFileTitle(result.m_strTitle);
    return result;
}

} // namespace exchange
