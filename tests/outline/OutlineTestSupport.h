#pragma once

// Shared helpers of the outline model tests: trees written as one line of
// text, outline files made record by record, and a message recorder.

#include "OutlineMan.h"

#include "kx_gen/File.h"
#include "kx_gen/OutlineDB.h"
#include "kx_gen/WinTypes.h"

#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A failed comparison of notes shows their texts.
inline void PrintTo(const CNoteText &note, std::ostream *out)
{
    *out << '"' << note.view() << '"';
}

// Builds items under `parent` from a line in the form of DebugDump: texts
// separated by blanks, children in parentheses after their parent; "x:"
// before a text checks the item, "+" after it expands it. Levels follow the
// depth. When the manager is open each item gets a record of its own.
inline void BuildTree(COutlineMan &man, const std::string &line)
{
    COutlineTree &tree = man.GetTree();
    std::vector<COutlineNode *> parents { nullptr };
    COutlineNode *last = nullptr;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ') {
            ++i;
        } else if (c == '(') {
            if (!last)
                throw std::invalid_argument("children without a parent");
            parents.push_back(last);
            ++i;
        } else if (c == ')') {
            if (parents.size() < 2)
                throw std::invalid_argument("unbalanced )");
            last = parents.back();
            parents.pop_back();
            ++i;
        } else {
            std::size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != '(' && line[end] != ')')
                ++end;
            std::string word = line.substr(i, end - i);
            i = end;
            bool checked = false;
            bool expanded = false;
            if (word.rfind("x:", 0) == 0) {
                checked = true;
                word.erase(0, 2);
            }
            if (!word.empty() && word.back() == '+') {
                expanded = true;
                word.pop_back();
            }
            for (char &ch : word) {
                if (ch == '|')
                    ch = '\r';
            }
            const COutlineItem blank;
            COutlineNode *node = tree.InsertLast(blank, parents.back());
            COutlineItem &item = node->m_Item;
            item.m_Text.SetString(kx_gen::_String(word));
            item.m_bChecked = checked;
            item.m_bExpanded = expanded;
            item.m_nLevel = static_cast<std::uint8_t>(parents.size() - 1);
            if (man.IsOpen()) {
                item.m_pRecord
                    = static_cast<kx_gen::COutlineRecord *>(man.GetDB()->GetRecordset()->Append());
            }
            last = node;
        }
    }
}

// The first node in document order whose text is `text`, or null.
inline COutlineNode *NodeOf(const COutlineMan &man, const char *text)
{
    const COutlineTree &tree = man.GetTree();
    for (COutlineNode *n = tree.GetFirstChild(nullptr); n; n = tree.GetNextInDocument(n)) {
        if (n->m_Item.m_Text.GetString() == text)
            return n;
    }
    return nullptr;
}

// The text of a node, or "-" for null.
inline std::string TextOf(const COutlineNode *node)
{
    return node ? node->m_Item.m_Text.GetString().str() : std::string("-");
}

class CRecordingSink : public CMessageSink {
public:
    void ShowMessage(const kx_gen::_String &text) override { m_Messages.push_back(text.str()); }
    std::vector<std::string> m_Messages;
};

class CFixedSettings : public COutlineSettings {
public:
    void GetOutlineFont(kx_gen::LOGFONT &font) const override { font = m_Font; }
    std::uint32_t GetWindowTextColor() const override { return m_nColour; }
    void GetDefaultNumbering(std::uint8_t *scheme) const override
    {
        std::memcpy(scheme, m_Numbering, sizeof(m_Numbering));
    }

    kx_gen::LOGFONT m_Font;
    std::uint32_t m_nColour = 0;
    std::uint8_t m_Numbering[COutlineMan::kNumberingSize] = {};
};

// One record of a test file.
struct TRow {
    TRow(int indent_, std::string text_, std::uint32_t id_ = 0, std::string note_ = std::string(),
        bool checked_ = false, bool expanded_ = true)
        : indent(indent_)
        , text(std::move(text_))
        , id(id_)
        , note(std::move(note_))
        , checked(checked_)
        , expanded(expanded_)
    {
    }
    int indent;
    std::string text;
    std::uint32_t id;
    std::string note;
    bool checked;
    bool expanded;
};

// Writes an outline file with `rows` in this order, every mark clear (as
// after a synchronisation): the outline is unchanged, no record is new or
// changed and no field is marked changed.
inline void WriteOutlineFile(const std::string &path, const std::vector<TRow> &rows)
{
    kx_gen::COutlineDB db;
    db.InitNewDatabase();
    db.SetOutlineChanged(false);
    db.SetSynchronized(true);
    db.SetOutlineTitle("Test");
    for (const TRow &row : rows) {
        auto *record = static_cast<kx_gen::COutlineRecord *>(db.GetRecordset()->Append());
        record->SetIndent(static_cast<std::uint8_t>(row.indent));
        record->SetText(kx_gen::_String(row.text));
        record->SetId(row.id);
        record->SetChecked(row.checked);
        record->SetExpanded(row.expanded);
        if (!row.note.empty())
            record->SetNote(kx_gen::_String(row.note));
        record->SetFlag(0);
        record->SetSortChanged(false);
        for (std::uint32_t id : { 1u, 2u, 5u, 6u, 9u, 10u, 0x10007u, 0x10008u })
            record->GetTags().setTagChanged(id, false);
    }
    db.Open(path.c_str(), kx_gen::CFile::modeCreate | kx_gen::CFile::modeWrite);
    db.WriteAllHeaders();
    db.WriteRows();
    db.Close();
}

// The records of an outline file, read back as the file holds them.
class COutlineFileReader {
public:
    explicit COutlineFileReader(const std::string &path)
    {
        m_DB.Open(path.c_str(), kx_gen::CFile::modeRead);
        m_DB.ReadSharedHeader();
        m_DB.ReadPrivateHeader();
        m_DB.ReadRows();
        m_DB.Close();
    }
    std::size_t Count() { return m_DB.GetRecordset()->getSize(); }
    kx_gen::COutlineRecord &Row(std::size_t i) { return *m_DB.GetOutlineRecord(i); }
    // The texts of the rows, blank-separated.
    std::string Texts()
    {
        std::string out;
        for (std::size_t i = 0; i < Count(); ++i) {
            if (i)
                out += ' ';
            out += Row(i).GetText().str();
        }
        return out;
    }
    std::vector<int> Indents()
    {
        std::vector<int> out;
        for (std::size_t i = 0; i < Count(); ++i)
            out.push_back(Row(i).GetIndent());
        return out;
    }
    kx_gen::COutlineDB &DB() { return m_DB; }

private:
    kx_gen::COutlineDB m_DB;
};
