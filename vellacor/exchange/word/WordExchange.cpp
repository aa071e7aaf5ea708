#include "WordExchange.h"

#include "WordStrings.h"

#include "kx_gen/Exception.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/PathUtils.h"

#include <cstring>
#include <fstream>
#include <memory>

namespace word {

namespace {

// Decodes one UTF-8 sequence at `pos` (advanced); U+FFFD when malformed.
char32_t nextCodePoint(const std::string &s, std::size_t &pos)
{
    const auto lead = static_cast<unsigned char>(s[pos++]);
    if (lead < 0x80)
        return lead;
    const int extra = (lead & 0xe0) == 0xc0 ? 1
        : (lead & 0xf0) == 0xe0             ? 2
        : (lead & 0xf8) == 0xf0             ? 3
                                            : -1;
    if (extra < 0)
        return 0xfffd;
    char32_t c = lead & (0x3f >> extra);
    for (int i = 0; i < extra; ++i) {
        if (pos >= s.size() || (static_cast<unsigned char>(s[pos]) & 0xc0) != 0x80)
            return 0xfffd;
        c = (c << 6) | (static_cast<unsigned char>(s[pos++]) & 0x3f);
    }
    return c;
}

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xc0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xe0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
    }
}

// Shows the text of a storage exception (and frees it), or string 192 for
// anything else; used by both commands around everything they do.
template <typename Fn> bool reportingFailures(CMessageSink &messages, Fn &&fn)
{
    try {
        return fn();
    } catch (kx_gen::CException *e) {
        kx_gen::ExceptionHolder holder(e);
        messages.ShowMessage(holder->GetDescription());
    } catch (...) {
        messages.ShowMessage(kUnknownDatabaseError);
    }
    return false;
}

} // namespace

kx_gen::_String Windows1252FromUtf8(const std::string &utf8)
{
    std::string out;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t c = nextCodePoint(utf8, pos);
        unsigned char byte = '?';
        if (c > 0xffff || !kx_gen::UnicodeToWindows1252(static_cast<char16_t>(c), &byte))
            byte = '?';
        out.push_back(static_cast<char>(byte));
    }
    return kx_gen::_String(out);
}

std::string Utf8FromWindows1252(const kx_gen::_String &text)
{
    std::string out;
    for (const char ch : text.str())
        appendUtf8(out, kx_gen::Windows1252ToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

TFileFilter ImportFileFilter()
{
    TFileFilter filter;
    const std::string patterns = std::string("*.") + kWordExtension + ";*." + kModernWordExtension;
    filter.m_strDescription = (std::string(kWordDocuments) + " (" + patterns + ")").c_str();
    filter.m_strPatterns = patterns.c_str();
    return filter;
}

kx_gen::_String ImportFileFilterForQt()
{
    const std::string patterns = std::string("*.") + kWordExtension + " *." + kModernWordExtension;
    return kx_gen::_String((std::string(kWordDocuments) + " (" + patterns + ")").c_str());
}

bool CheckImportFile(const std::string &path, kx_gen::_String &message)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        message = Windows1252FromUtf8(
            "The Word document " + path.substr(path.find_last_of('/') + 1) + " cannot be opened.");
        return false;
    }
    unsigned char head[8] = {};
    in.read(reinterpret_cast<char *>(head), sizeof head);
    static const unsigned char oleMagic[8] = { 0xd0, 0xcf, 0x11, 0xe0, 0xa1, 0xb1, 0x1a, 0xe1 };
    if (in.gcount() == 8 && std::memcmp(head, oleMagic, 8) == 0) {
        message
            = "This is a Word 97-2003 document (.doc), which cannot be imported. Save it as a Word "
              "document (.docx) in a word processor and import that.";
        return false;
    }
    if (in.gcount() < 4 || head[0] != 'P' || head[1] != 'K') {
        message = "The file is not a Word document (.docx).";
        return false;
    }
    return true;
}

kx_gen::_String WordFileTitle(const std::string &path)
{
    return Windows1252FromUtf8(kx_gen::GetFileTitle(path.c_str()).str());
}

std::string DefaultExportPath(const std::string &folder, const kx_gen::_String &title)
{
    kx_gen::_String name = title;
    kx_gen::ValidateFileTitle(name);
    const std::string file = Utf8FromWindows1252(name) + "." + kModernWordExtension;
    const kx_gen::_String path
        = kx_gen::JoinPath(kx_gen::_String(folder.c_str()), kx_gen::_String(file.c_str()));
    if (!kx_gen::IsFileExist(path.c_str()))
        return path.str();
    return kx_gen::GetNextValidNumberedName(path.c_str()).str();
}

TExportTask MakeExportTask(int wordExportPreference, int exportNotesPreference,
    kx_gen::COutlineDB *db, const kx_gen::_String &title, const std::string &documentPath)
{
    TExportTask task;
    task.m_nWordExport = wordExportPreference == 0 ? 1 : 0;
    task.m_nIncludeNotes = exportNotesPreference != 0 ? 1 : 0;
    task.m_pDB = db;
    task.m_strTitle = title;
    task.m_strDocPath = documentPath.c_str();
    return task;
}

TImportTask MakeImportTask(kx_gen::COutlineDB *db, const std::string &path)
{
    TImportTask task;
    task.m_pDB = db;
    task.m_strPath = path.c_str();
    return task;
}

CWordImportTarget *ImportWordDocument(const std::string &path, CDocbridge &bridge,
    CWordImportDocuments &documents, const RunProgressDialogFn &runDialog, CMessageSink &messages)
{
    kx_gen::_String refusal;
    if (!CheckImportFile(path, refusal)) {
        messages.ShowMessage(refusal);
        return nullptr;
    }
    CWordImportTarget *document = nullptr;
    const bool kept = reportingFailures(messages, [&] {
        document = documents.CreateFromDefaultTemplate();
        if (!document)
            return false;
        TImportTask task = MakeImportTask(document->GetDB(), path);
        CWordProgressState state(&bridge, kModeImport, &task, nullptr);
        if (runDialog(state) != kIdOk)
            return false;
        if (!document->RebuildTreeFromRecords())
            return false;
        document->SetTitle(WordFileTitle(path));
        document->SetModified();
        return true;
    });
    if (kept)
        return document;
    if (document)
        documents.Discard(document);
    return nullptr;
}

bool ExportWordDocument(CWordExportSource &source, int wordExportPreference,
    int exportNotesPreference, const std::string &documentPath, CDocbridge &bridge,
    const RunProgressDialogFn &runDialog, CBusyIndicator *busy, CMessageSink &messages)
{
    struct TBusyScope {
        CBusyIndicator *m_pBusy = nullptr;
        ~TBusyScope()
        {
            if (m_pBusy)
                m_pBusy->SetBusy(false);
        }
    };
    return reportingFailures(messages, [&] {
        if (!source.UpdateRecordsFromTree())
            return false;
        kx_gen::COutlineDB *db = source.GetDB();
        if (!db)
            return false;
        TExportTask task = MakeExportTask(
            wordExportPreference, exportNotesPreference, db, db->GetOutlineTitle(), documentPath);
        TBusyScope scope;
        if (busy) {
            busy->SetBusy(true);
            scope.m_pBusy = busy;
        }
        CWordProgressState state(&bridge, kModeExport, nullptr, &task);
        return runDialog(state) == kIdOk;
    });
}

} // namespace word
