#include "HtmlSetDlg.h"

#include "FormatExchange.h"

#include "kx_gen/OutlineDB.h"
#include "kx_gen/PathUtils.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace formats {

namespace {

std::string Trimmed(const std::string &s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const std::size_t last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool IsDirectory(const std::string &path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string &path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Creates the folder and its missing parents.
bool MakeFolders(const std::string &path)
{
    if (path.empty() || IsDirectory(path))
        return !path.empty();
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

} // namespace

CHtmlSetDlgModel::CHtmlSetDlgModel(
    const std::string &userName, CHtmlSettingsStore &store, const std::string &defaultFolder)
    : m_strUser(userName)
    , m_Store(store)
    , m_strDefaultFolder(defaultFolder)
{
}

void CHtmlSetDlgModel::OnInitDialog()
{
    const CUserHtmlSettings settings = m_Store.Load();
    m_strTemplatePath = settings.m_strHtmlPath.str();
    m_strRulesPath = settings.m_strRulePath.str();
    m_strExportFolder = settings.m_strExportFolder.str();
    if (m_strTemplatePath.empty() && IsFile(DefaultTemplatePath()))
        m_strTemplatePath = DefaultTemplatePath();
    if (m_strRulesPath.empty() && IsFile(DefaultRulesPath()))
        m_strRulesPath = DefaultRulesPath();
    if (m_strExportFolder.empty())
        m_strExportFolder = m_strDefaultFolder;
}

bool CHtmlSetDlgModel::OnOK()
{
    CUserHtmlSettings settings;
    settings.m_strHtmlPath = Trimmed(m_strTemplatePath);
    settings.m_strRulePath = Trimmed(m_strRulesPath);
    settings.m_strExportFolder = Trimmed(m_strExportFolder);
    return m_Store.Store(settings);
}

SHtmlBrowseSetup CHtmlSetDlgModel::TemplateBrowse() const
{
    return { kOpenCaption, std::string(kHtmlTemplateFilter) + " *.*", "*.*", ProgramFolder(),
        false };
}

SHtmlBrowseSetup CHtmlSetDlgModel::RulesBrowse() const
{
    return { kOpenCaption, std::string(kRulesFilter) + " *.*", "*.*", ProgramFolder(), false };
}

SHtmlBrowseSetup CHtmlSetDlgModel::FolderBrowse() const
{
    return { kSelectStartFolder, std::string(), std::string(), m_strExportFolder, true };
}

CHtmlExportCommand::CHtmlExportCommand(const std::string &userName, CHtmlSettingsStore &store,
    CHtmlExportHost &host, const std::string &defaultFolder)
    : m_strUser(userName)
    , m_Store(store)
    , m_Host(host)
    , m_strDefaultFolder(defaultFolder)
{
}

bool CHtmlExportCommand::EditSettings()
{
    CHtmlSetDlgModel dialog(m_strUser, m_Store, m_strDefaultFolder);
    dialog.OnInitDialog();
    return m_Host.RunSettingsDialog(dialog);
}

bool CHtmlExportCommand::EnsureValidSettings(CUserHtmlSettings &settings)
{
    settings = m_Store.Load();
    while (!settings.IsValid()) {
        if (!EditSettings())
            return false;
        settings = m_Store.Load();
    }
    return true;
}

std::string CHtmlExportCommand::PagePath(
    const std::string &folder, const std::string &documentPath, const std::string &title)
{
    std::string name;
    if (!documentPath.empty()) {
        const std::size_t slash = documentPath.find_last_of('/');
        name = slash == std::string::npos ? documentPath : documentPath.substr(slash + 1);
        const std::size_t dot = name.find_last_of('.');
        if (dot != std::string::npos && dot > 0)
            name.erase(dot);
    }
    if (name.empty()) {
        kx_gen::_String fileTitle(title);
        kx_gen::ValidateFileTitle(fileTitle);
        name = Utf8FromModel(fileTitle.str());
    }
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/" + name + ".html";
}

bool CHtmlExportCommand::Export(const COutlineMan &man, const std::string &documentPath)
{
    CUserHtmlSettings settings;
    if (!EnsureValidSettings(settings))
        return false;
    const std::string folder = settings.m_strExportFolder.str();
    const std::string title = man.GetDB() ? man.GetDB()->GetOutlineTitle().str() : std::string();
    const std::string page = PagePath(folder, documentPath, title);
    if (!MakeFolders(folder)) {
        m_Host.Show("The export folder " + folder + " cannot be created: " + std::strerror(errno));
        return false;
    }
    SExportOptions options;
    options.m_strTemplatePath = settings.m_strHtmlPath.str();
    options.m_strRulesPath = settings.m_strRulePath.str();
    if (IsFile(page)) {
        if (!m_Host.Ask("The file " + page + " already exists. Do you want to replace it?"))
            return false;
        options.m_bOverwrite = true;
    }
    std::string error;
    CImportReport warnings;
    if (!ExportOutline(man, EFormat::kHtml, page, options, error, &warnings)) {
        m_Host.Show("The outline could not be exported to HTML.\n" + error);
        return false;
    }
    std::string done = "The outline was exported to " + page;
    if (!warnings.Warnings().empty())
        done += "\n\n" + warnings.WarningText();
    m_Host.Show(done);
    return true;
}

} // namespace formats
