#pragma once

// Shared helpers of the exchange format tests: a sample outline, a one-line
// dump of a tree with everything the formats carry, scratch folders and
// running outside tools.

#include "FlatOutline.h"
#include "OutlineTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

// level:text[note]{x when checked}, items separated by " | ", paragraph
// breaks shown as "\n".
inline std::string Dump(const COutlineMan &man, bool withNotesAndChecks = true)
{
    std::string out;
    const COutlineTree &tree = man.GetTree();
    for (const COutlineNode *n = tree.GetFirstChild(nullptr); n; n = tree.GetNextInDocument(n)) {
        if (!out.empty())
            out += " | ";
        out += std::to_string(n->m_Item.m_nLevel) + ":";
        std::string text = n->m_Item.m_Text.GetString().str();
        std::string shown;
        for (char c : text)
            shown += c == '\r' ? std::string() : c == '\n' ? std::string("\\n") : std::string(1, c);
        out += shown;
        if (withNotesAndChecks) {
            if (n->m_Item.HasNote()) {
                std::string note;
                for (char c : n->m_Item.m_strNote.str())
                    note += c == '\r' ? std::string()
                        : c == '\n'   ? std::string("\\n")
                                      : std::string(1, c);
                out += "[" + note + "]";
            }
            if (n->m_Item.m_bChecked)
                out += "{x}";
        }
    }
    return out;
}

inline std::string DumpFlat(const formats::SFlatOutline &outline)
{
    std::string out;
    for (const formats::SFlatItem &item : outline.m_Items) {
        if (!out.empty())
            out += " | ";
        out += std::to_string(item.m_nLevel) + ":";
        for (char c : item.m_strText)
            out += c == '\r' ? std::string() : c == '\n' ? std::string("\\n") : std::string(1, c);
        if (!item.m_strNote.empty()) {
            out += "[";
            for (char c : item.m_strNote)
                out += c == '\r' ? std::string()
                    : c == '\n'  ? std::string("\\n")
                                 : std::string(1, c);
            out += "]";
        }
        if (item.m_bChecked)
            out += "{x}";
    }
    return out;
}

// A new outline holding a sample of everything: several levels, notes of
// one and several paragraphs, checked items, a multi-paragraph text and the
// characters that every format has to escape, in Windows-1252.
inline void MakeSample(COutlineMan &man)
{
    ASSERT_TRUE(man.NewOutline(false));
    BuildTree(man, "Plan+(x:Seeds+(Tomatoes Basil) Beds+(Wood x:Screws(Deep(Deeper)))) Last");
    man.GetDB()->SetOutlineTitle(kx_gen::_String("Garden \x80 plan"));
    NodeOf(man, "Tomatoes")
        ->m_Item.m_Text.SetString(
            kx_gen::_String("Tomatoes <cherry> & \"plum\" *bold* \\ [x] #1 caf\xe9"));
    COutlineNode *basil = NodeOf(man, "Basil");
    basil->m_Item.m_Text.SetString(kx_gen::_String("Basil\r\nsecond paragraph"));
    basil->m_Item.m_strNote = "A note.\r\n\r\nIts second paragraph & more.";
    NodeOf(man, "Wood")->m_Item.m_strNote = "Oak, 3 \xd7 2 m";
    NodeOf(man, "Last")->m_Item.m_Text.SetString(kx_gen::_String("- not a list 1. either"));
}

// A scratch folder, removed with the object.
class CScratch {
public:
    CScratch()
    {
        char pattern[] = "/tmp/vellacor-formats-XXXXXX";
        m_Path = mkdtemp(pattern);
    }
    ~CScratch()
    {
        std::error_code ignored;
        fs::remove_all(m_Path, ignored);
    }
    std::string operator/(const std::string &name) const { return (m_Path / name).string(); }
    const fs::path &Path() const { return m_Path; }

private:
    fs::path m_Path;
};

inline std::string ReadText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

inline void WriteText(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline bool HaveTool(const char *name)
{
    return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

// The command's standard output; `status` its exit status.
inline std::string RunTool(const std::string &command, int *status = nullptr)
{
    std::string out;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        const int rc = pclose(pipe);
        if (status)
            *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    return out;
}
