#include "DocumentTestSupport.h"

#include "User.h"

#include "kx_gen/CategoryDB.h"
#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/OutlineRecord.h"

#include <cstdlib>
#include <unistd.h>

using kx_gen::_String;

bool CFakeWindows::CreateWindowFor(COutlineDoc &document, int place)
{
    auto frame = std::make_unique<CFakeFrame>();
    frame->m_nOrder = place >= 0 ? place : m_nNextOrder++;
    document.SetFrame(frame.get());
    m_Frames[&document] = std::move(frame);
    return true;
}

void CFakeWindows::DestroyWindowOf(COutlineDoc &document)
{
    document.SetFrame(nullptr);
    m_Frames.erase(&document);
}

CDocumentTest::CDocumentTest()
{
    char pattern[] = "/tmp/vellacor-doc-XXXXXX";
    m_root = ::mkdtemp(pattern);
}

CDocumentTest::~CDocumentTest()
{
    m_context.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

void CDocumentTest::SetUp()
{
    ::setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
    kx_gen::CCategoryDB::setUnfiledCategoryName("Unfiled");
    m_settings = std::make_unique<kx_gen::CAppRegistry>("Larkwell", "Idealoom");
    ASSERT_TRUE(m_settings->OpenSection("Preferences"));
    m_settings->WriteString("Path", Desktop().c_str());
    m_settings->CloseSection();
    m_context = std::make_unique<CAppContext>(m_prompter, *m_settings);
    m_context->SetWindows(&m_windows);
    ASSERT_TRUE(m_context->Start(nullptr));
}

COutlineDoc *CDocumentTest::NewOutline(const std::string &title)
{
    COutlineDoc *document = m_context->Documents().OpenDocumentFile(_String());
    EXPECT_NE(document, nullptr);
    COutlineMan &outline = document->GetOutline();
    outline.InsertText(outline.GetTree().GetFirstChild(nullptr), CTextPos(), "first", nullptr);
    document->SetOutlineTitle(title);
    return document;
}

void WriteOutline(const std::string &path, const std::string &title, const std::string &category,
    bool synchronized)
{
    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineTitle(title);
    db.SetCategoryName(category);
    db.SetSynchronized(synchronized);
    db.GetRecordset()->Append();
    db.Open(path.c_str(), kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

static kx_gen::COutlineDB *ReadHeaders(kx_gen::COutlineDB &db, const std::string &path)
{
    db.Open(path.c_str(), kx_gen::CFile::modeRead | kx_gen::CFile::shareDenyWrite);
    db.ReadSharedHeader();
    db.ReadPrivateHeader();
    db.Close();
    return &db;
}

std::string StoredTitle(const std::string &path)
{
    kx_gen::COutlineDB db;
    return ReadHeaders(db, path)->GetOutlineTitle().str();
}

std::string StoredCategory(const std::string &path)
{
    kx_gen::COutlineDB db;
    return ReadHeaders(db, path)->GetCategoryName().str();
}
