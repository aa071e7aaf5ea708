#pragma once

// A desktop-only run in a temporary folder: settings store, users, category
// list and documents, with a prompter that answers from a script and windows
// that only remember their stacking order.

#include "AppContext.h"
#include "../support/ScriptedPrompter.h"
#include "OutlineDoc.h"

#include "kx_gen/AppRegistry.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>



// A window that stores nothing but its place in the stacking order.
class CFakeFrame : public CDocFrame {
public:
    bool HasView() const override { return true; }
    void StoreViewState() override { ++m_nStored; }
    void TitleChanged() override { ++m_nTitleChanges; }
    void Activate() override { ++m_nActivations; }
    void UpdateViews(int hint) override { m_Hints.push_back(hint); }
    int StackingOrder() const override { return m_nOrder; }

    int m_nOrder = 0;
    int m_nStored = 0;
    int m_nTitleChanges = 0;
    int m_nActivations = 0;
    std::vector<int> m_Hints;
};

class CFakeWindows : public CDocWindows {
public:
    bool CreateWindowFor(COutlineDoc &document, int place) override;
    void DestroyWindowOf(COutlineDoc &document) override;

    std::map<COutlineDoc *, std::unique_ptr<CFakeFrame>> m_Frames;
    int m_nNextOrder = 0;
};

class CDocumentTest : public ::testing::Test {
protected:
    CDocumentTest();
    ~CDocumentTest() override;
    void SetUp() override;

    std::string Desktop() const { return (m_root / "Desktop").string(); }
    std::string DesktopFile(const std::string &name) const { return Desktop() + "/" + name; }
    // A new document with one item typed in, titled `title`.
    COutlineDoc *NewOutline(const std::string &title);

    std::filesystem::path m_root;
    CScriptedPrompter m_prompter;
    std::unique_ptr<kx_gen::CAppRegistry> m_settings;
    CFakeWindows m_windows;
    std::unique_ptr<CAppContext> m_context;
};

// Writes an outline file with one item.
void WriteOutline(const std::string &path, const std::string &title, const std::string &category,
    bool synchronized = false);
std::string StoredTitle(const std::string &path);
std::string StoredCategory(const std::string &path);
