// Long random edit sequences on random outlines. After every step the tree,
// the record set, the deleted ids and the history must be consistent, and
// every position of the history must give back exactly the outline that it
// had: undoing everything gives the starting outline, redoing everything the
// final one. Saving and loading again gives the same outline.
//
// A failure names its seed; VELLACOR_UNDO_SEED=<seed> replays that round
// alone.

#include "../corvale/TempDir.h"
#include "UndoTestSupport.h"

#include "kx_gen/Memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>

namespace {

using Label = CUndoOutlineMan::Label;

// Steps per round: rounds stay well inside the history's record limit, so
// that undoing everything reaches the start.
constexpr int kStepsPerRound = 130;
constexpr int kRecordBudget = 700;

class CRandomRound {
public:
    CRandomRound(std::uint32_t seed, const TempDir &dir)
        : m_nSeed(seed)
        , m_Random(seed)
        , m_strPath(dir.file("round-" + std::to_string(seed) + ".kxo"))
    {
    }

    // Runs the round; returns what went wrong, or "".
    std::string Run(int &operations)
    {
        m_Settings.m_bAutoCheck = Pick(3) == 0;
        m_Settings.m_bSingleNode = Pick(4) == 0;
        MakeOutline();
        if (!m_strError.empty())
            return m_strError;
        for (int step = 0; step < kStepsPerRound && m_strError.empty(); ++step) {
            m_nStep = step;
            if (m_Man.GetUndo()->GetRecordCount() > kRecordBudget)
                break;
            RandomStep();
            if (m_strError.empty())
                Check();
        }
        if (m_strError.empty())
            UndoAllRedoAll();
        operations += m_nOperations;
        return m_strError;
    }

private:
    int Pick(int n) { return n <= 1 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(m_Random); }
    bool Chance(int percent) { return Pick(100) < percent; }

    void Fail(const std::string &what)
    {
        if (m_strError.empty()) {
            std::ostringstream out;
            out << "seed " << m_nSeed << ", step " << m_nStep << " (" << m_strOp << "): " << what
                << "\nreplay with VELLACOR_UNDO_SEED=" << m_nSeed;
            m_strError = out.str();
        }
    }

    std::string Word()
    {
        static const char *const kWords[] = { "apple", "Pear", "fig", "kiwi", "Lime", "plum",
            "date", "Melon", "grape", "Cherry", "a", "b", "B", "" };
        return kWords[Pick(14)];
    }
    std::string Text()
    {
        std::string text = Word();
        if (Chance(30))
            text += " " + Word();
        if (Chance(15))
            text += "\r\n" + Word();
        return text;
    }

    void MakeOutline()
    {
        std::vector<TRow> rows;
        const int count = 3 + Pick(40);
        int level = 0;
        for (int i = 0; i < count; ++i) {
            level = i == 0 ? 0 : Pick(std::min(level + 1, 9) + 1);
            if (Chance(10))
                level = std::min(level + 1, 9);
            const std::uint32_t id = Chance(70) ? ++m_nNextId : 0;
            rows.emplace_back(level, Text(), id, Chance(20) ? Word() + "note" : std::string(),
                Chance(25), Chance(70));
        }
        WriteOutlineFile(m_strPath, rows);
        if (!m_Man.Load(m_strPath.c_str()))
            return Fail("the outline did not load");
        m_Man.SetShowChecked(!Chance(25));
        StartHistory();
    }

    void StartHistory()
    {
        m_Snaps.assign(1, Describe(m_Man));
        m_StartIds = DeletedIds(m_Man);
        m_AllIds = LiveIds(m_Man);
        m_AllIds.insert(m_AllIds.end(), m_StartIds.begin(), m_StartIds.end());
        std::sort(m_AllIds.begin(), m_AllIds.end());
    }

    std::vector<COutlineNode *> Nodes() const
    {
        std::vector<COutlineNode *> out;
        const COutlineTree &tree = m_Man.GetTree();
        for (COutlineNode *n = tree.GetFirstChild(nullptr); n; n = tree.GetNextInDocument(n))
            out.push_back(n);
        return out;
    }
    std::vector<COutlineNode *> Visible() const
    {
        std::vector<COutlineNode *> out;
        for (COutlineNode *n = m_Man.GetFirstVisible(); n; n = m_Man.GetNextVisible(n))
            out.push_back(n);
        return out;
    }
    COutlineNode *AnyNode()
    {
        const std::vector<COutlineNode *> nodes = Nodes();
        return nodes.empty() ? nullptr : nodes[static_cast<std::size_t>(Pick(int(nodes.size())))];
    }
    COutlineNode *AnyVisible()
    {
        const std::vector<COutlineNode *> nodes = Visible();
        return nodes.empty() ? nullptr : nodes[static_cast<std::size_t>(Pick(int(nodes.size())))];
    }
    CTextPos AnyPos(const COutlineNode *node)
    {
        const CTextCtrl &text = node->m_Item.m_Text;
        const int para = Pick(text.GetParaCount());
        return CTextPos { Pick(text.GetPara(para).GetLength() + 1), para };
    }
    int SubtreeSize(const COutlineNode *node) const
    {
        int size = 1;
        const COutlineTree &tree = m_Man.GetTree();
        for (const COutlineNode *n = tree.GetNextInDocument(node); n && IsBelow(n, node);
             n = tree.GetNextInDocument(n))
            ++size;
        return size;
    }
    bool IsBelow(const COutlineNode *n, const COutlineNode *top) const
    {
        for (const COutlineNode *a = m_Man.GetTree().GetParent(n); a;
             a = m_Man.GetTree().GetParent(a)) {
            if (a == top)
                return true;
        }
        return false;
    }

    // Runs one command in its group, as the views do.
    template <class F> void Do(const char *name, int label, F &&operation)
    {
        m_strOp = name;
        ++m_nOperations;
        const int before = m_Man.GetUndo()->GetPos();
        Command(m_Man, label, operation);
        const int after = m_Man.GetUndo()->GetPos();
        const std::string now = Describe(m_Man);
        if (after == before + 1) {
            m_Snaps.resize(static_cast<std::size_t>(before) + 1);
            m_Snaps.push_back(now);
        } else if (after == before) {
            // Nothing recorded: nothing may have changed.
            m_Snaps.resize(static_cast<std::size_t>(before) + 1);
            if (now != m_Snaps.back())
                Fail("a command that left no undo step changed the outline:\n" + m_Snaps.back()
                    + "---\n" + now);
        } else {
            Fail("the history position moved from " + std::to_string(before) + " to "
                + std::to_string(after));
        }
    }

    kx_gen::HMEM RandomDrawing()
    {
        const int width = 1 + Pick(12);
        const int height = 1 + Pick(9);
        kx_gen::HMEM dib = kx_gen::CreateDIB(width, height, 8);
        if (!dib)
            return nullptr;
        void *info = kx_gen::MemGetPtr(dib);
        std::uint8_t *bits = kx_gen::FindDIBBits(info);
        const std::size_t bytes = kx_gen::DIBWidthBytes(width, 8) * std::size_t(height);
        for (std::size_t i = 0; i < bytes; ++i)
            bits[i] = static_cast<std::uint8_t>(Pick(4));
        kx_gen::MemReleasePtr(dib);
        return dib;
    }

    void RandomStep()
    {
        if (!m_Man.GetFirstVisible()) {
            // As the views do when nothing is left to show.
            Do("ensure item", Label::kLabelPaste, [&] { m_Man.EnsureItem(nullptr); });
            return;
        }
        const std::size_t size = Nodes().size();
        const bool large = size > 120;
        switch (Pick(30)) {
        case 0:
        case 1:
            if (!large)
                Do("new item", Label::kLabelCreateNode, [&] { m_Man.NewItem(AnyVisible()); });
            break;
        case 2:
        case 3: {
            COutlineNode *node = AnyNode();
            Do("delete item", Label::kLabelDeleteNode, [&] {
                m_Man.DeleteItem(node);
                m_Man.EnsureItem(nullptr);
            });
            break;
        }
        case 4:
            Do("toggle check", Label::kLabelCheck, [&] { m_Man.ToggleCheck(AnyNode()); });
            break;
        case 5: {
            COutlineNode *node = AnyNode();
            if (m_Man.CanIndent(node))
                Do("indent", Label::kLabelIndent, [&] { m_Man.Indent(node); });
            break;
        }
        case 6: {
            COutlineNode *node = AnyNode();
            if (m_Man.CanOutdent(node))
                Do("outdent", Label::kLabelOutdent, [&] { m_Man.Outdent(node); });
            break;
        }
        case 7: {
            COutlineNode *node = AnyNode();
            if (m_Man.CanMoveUp(node))
                Do("move up", Label::kLabelMoveUp, [&] { m_Man.MoveUp(node); });
            break;
        }
        case 8: {
            COutlineNode *node = AnyNode();
            if (m_Man.CanMoveDown(node))
                Do("move down", Label::kLabelMoveDown, [&] { m_Man.MoveDown(node); });
            break;
        }
        case 9: {
            COutlineNode *node = AnyNode();
            if (!large && SubtreeSize(node) <= 8)
                Do("duplicate", Label::kLabelDuplicate, [&] { m_Man.Duplicate(node); });
            break;
        }
        case 10: {
            COutlineNode *node = AnyVisible();
            COutlineNode *target = m_Man.GetPrevVisible(node);
            if (target && !node->m_pFirstChild)
                Do("join", Label::kLabelBackspace, [&] { m_Man.Join(target, node); });
            break;
        }
        case 11: {
            COutlineNode *node = AnyVisible();
            const CTextPos pos = AnyPos(node);
            if (!large)
                Do("split", Label::kLabelTyping, [&] { m_Man.SplitItem(node, pos); });
            break;
        }
        case 12: {
            COutlineNode *node = AnyNode();
            const CTextPos pos = AnyPos(node);
            const std::string text = Chance(50) ? std::string(1, "xyz \t"[Pick(5)]) : Text();
            Do("insert text", Label::kLabelTyping,
                [&] { m_Man.InsertText(node, pos, kx_gen::_String(text), nullptr); });
            break;
        }
        case 13: {
            COutlineNode *node = AnyNode();
            const CTextPos from = AnyPos(node);
            const CTextPos to = AnyPos(node);
            Do("delete text", Label::kLabelDelete, [&] { m_Man.DeleteText(node, from, to); });
            break;
        }
        case 14: {
            COutlineNode *node = AnyVisible();
            const CTextPos from = AnyPos(node);
            const CTextPos to = Chance(50) ? from : AnyPos(node);
            std::string text = Word();
            for (int lines = Pick(4); lines > 0; --lines)
                text += (Chance(50) ? "\r\n" : "\n") + Word();
            if (!large)
                Do("paste text", Label::kLabelPaste, [&] {
                    m_Man.PasteTextLines(node, from, to, kx_gen::_String(text), nullptr, nullptr);
                });
            break;
        }
        case 15: {
            COutlineNode *node = AnyNode();
            const std::string note = Chance(30) ? std::string() : Word() + " note";
            Do("note", Label::kLabelCreateNote,
                [&] { m_Man.SetNote(node, kx_gen::_String(note)); });
            break;
        }
        case 16: {
            COutlineNode *node = AnyNode();
            kx_gen::MemHolder dib(Chance(30) ? nullptr : RandomDrawing());
            Do("drawing", Label::kLabelCreatePicture,
                [&] { m_Man.SetItemDrawing(node, dib.get()); });
            break;
        }
        case 17:
            if (Chance(30)) {
                COutlineNode *node = Chance(50) ? nullptr : AnyNode();
                const bool ascending = Chance(50);
                Do("sort", Label::kLabelSort, [&] { m_Man.Sort(node, ascending); });
            }
            break;
        case 18: {
            const std::vector<COutlineNode *> visible = Visible();
            if (visible.empty())
                break;
            const std::size_t first = static_cast<std::size_t>(Pick(int(visible.size())));
            const std::size_t count = std::min<std::size_t>(1 + Pick(4), visible.size() - first);
            const std::vector<COutlineNode *> selection(visible.begin() + std::ptrdiff_t(first),
                visible.begin() + std::ptrdiff_t(first + count));
            Do("delete selection", Label::kLabelCut, [&] {
                m_Man.DeleteSelection(selection);
                m_Man.EnsureItem(nullptr);
            });
            break;
        }
        case 19:
        case 20: {
            const std::vector<COutlineNode *> visible = Visible();
            COutlineNode *node = AnyVisible();
            COutlineNode *target = visible[static_cast<std::size_t>(Pick(int(visible.size())))];
            const int mode = Pick(3);
            int level = Pick(11) - 1;
            const bool copy = Chance(30) && !large && SubtreeSize(node) <= 8;
            if (m_Man.CheckDrop(mode, level, target, { node }))
                Do("drop", Label::kLabelDrop, [&] { m_Man.Drop(mode, level, target, node, copy); });
            break;
        }
        case 21: {
            COutlineNode *node = AnyVisible();
            if (large || SubtreeSize(node) > 8)
                break;
            kx_gen::MemHolder block(m_Man.MakeTransferBlock(node));
            COutlineMan scratch;
            if (!block || !m_Man.LoadTransferBlock(block.get(), scratch, true))
                return Fail("a transfer block did not make the round trip");
            Do("paste items", Label::kLabelPasteNodes, [&] {
                m_Man.InsertTransfer(scratch, m_Man.GetTree().GetParent(node), node, nullptr);
            });
            break;
        }
        case 22:
            if (Chance(20))
                Do("delete checked", Label::kLabelDeleteChecked, [&] {
                    m_Man.DeleteChecked();
                    m_Man.EnsureItem(nullptr);
                });
            break;
        case 23:
            if (Chance(20))
                Do("uncheck all", Label::kLabelUncheckAll, [&] { m_Man.UncheckAll(); });
            break;
        case 24:
            m_strOp = "view";
            ++m_nOperations;
            if (Chance(50))
                m_Man.ExpandToLevel(Pick(10));
            else if (Chance(30))
                m_Man.SetShowChecked(!m_Man.GetShowChecked());
            else if (COutlineNode *node = AnyNode())
                node->m_Item.m_bExpanded = !node->m_Item.m_bExpanded;
            break;
        case 25:
        case 26:
        case 27: {
            m_strOp = "undo";
            const int pos = m_Man.GetUndo()->GetPos();
            if (pos == 0)
                break;
            if (!UndoStep(m_Man))
                return Fail("undo failed");
            ++m_nOperations;
            if (Describe(m_Man) != m_Snaps[static_cast<std::size_t>(pos - 1)])
                return Fail("undo did not give back the outline:\n"
                    + m_Snaps[static_cast<std::size_t>(pos - 1)] + "---\n" + Describe(m_Man));
            break;
        }
        case 28: {
            m_strOp = "redo";
            const int pos = m_Man.GetUndo()->GetPos();
            if (!m_Man.GetUndo()->CanRedo())
                break;
            if (!RedoStep(m_Man))
                return Fail("redo failed");
            ++m_nOperations;
            if (Describe(m_Man) != m_Snaps[static_cast<std::size_t>(pos + 1)])
                return Fail("redo did not give back the outline:\n"
                    + m_Snaps[static_cast<std::size_t>(pos + 1)] + "---\n" + Describe(m_Man));
            break;
        }
        default:
            m_strOp = "save";
            if (Chance(15))
                SaveAndCompare(Chance(20));
            break;
        }
    }

    // Saves, loads the file into another manager and compares; with
    // `reload` the round goes on from the loaded file, with a new history.
    void SaveAndCompare(bool reload)
    {
        if (!m_Man.Save(m_strPath.c_str()))
            return Fail("saving failed");
        COutlineMan loaded;
        if (!loaded.Load(m_strPath.c_str()))
            return Fail("the saved file did not load");
        if (Describe(loaded, true) != Describe(m_Man, true))
            return Fail("the saved outline reads back differently:\n" + Describe(m_Man, true)
                + "---\n" + Describe(loaded, true));
        if (DeletedIds(loaded) != DeletedIds(m_Man))
            return Fail("the saved deleted ids differ");
        if (reload) {
            if (!m_Man.Load(m_strPath.c_str()))
                return Fail("reloading failed");
            StartHistory();
        }
    }

    void Check()
    {
        const std::string problems = CheckConsistency(m_Man);
        if (!problems.empty())
            return Fail(problems + Describe(m_Man));
        // An id lives either in an item or in the deleted list, never both,
        // never neither.
        std::vector<std::uint32_t> ids = LiveIds(m_Man);
        const std::vector<std::uint32_t> deleted = DeletedIds(m_Man);
        ids.insert(ids.end(), deleted.begin(), deleted.end());
        std::sort(ids.begin(), ids.end());
        if (ids != m_AllIds)
            return Fail("ids were lost or doubled");
        if (!m_Sink.m_Messages.empty())
            return Fail("unexpected message: " + m_Sink.m_Messages.front());
    }

    void UndoAllRedoAll()
    {
        m_strOp = "undo all";
        const std::string final = Describe(m_Man);
        const int top = m_Man.GetUndo()->GetPos();
        while (m_Man.GetUndo()->CanUndo()) {
            const int pos = m_Man.GetUndo()->GetPos();
            if (!UndoStep(m_Man))
                return Fail("undo failed");
            ++m_nOperations;
            Check();
            if (!m_strError.empty())
                return;
            if (Describe(m_Man) != m_Snaps[static_cast<std::size_t>(pos - 1)])
                return Fail("undo did not give back the outline");
        }
        if (DeletedIds(m_Man) != m_StartIds)
            return Fail("the deleted ids are not those of the start");
        SaveAndCompare(false);
        m_strOp = "redo all";
        for (int pos = 0; pos < top; ++pos) {
            if (!RedoStep(m_Man))
                return Fail("redo failed");
            ++m_nOperations;
            Check();
            if (!m_strError.empty())
                return;
            if (Describe(m_Man) != m_Snaps[static_cast<std::size_t>(pos + 1)])
                return Fail("redo did not give back the outline");
        }
        if (Describe(m_Man) != final)
            return Fail("redoing everything did not give the final outline");
        SaveAndCompare(false);
    }

    std::uint32_t m_nSeed;
    std::mt19937 m_Random;
    std::string m_strPath;
    CEditSettings m_Settings;
    CRecordingSink m_Sink;
    COutlineMan m_Man { &m_Settings, &m_Sink };
    // The outline at each position of the history.
    std::vector<std::string> m_Snaps;
    std::vector<std::uint32_t> m_StartIds;
    std::vector<std::uint32_t> m_AllIds;
    std::uint32_t m_nNextId = 1000;
    int m_nStep = 0;
    // Commands, undos, redos and view changes made.
    int m_nOperations = 0;
    std::string m_strOp = "start";
    std::string m_strError;
};

// Runs rounds from `firstSeed` until `operations` operations were made.
void RunRounds(std::uint32_t firstSeed, int operations)
{
    TempDir dir;
    if (const char *replay = std::getenv("VELLACOR_UNDO_SEED")) {
        int done = 0;
        const auto seed = static_cast<std::uint32_t>(std::strtoul(replay, nullptr, 10));
        ASSERT_EQ(CRandomRound(seed, dir).Run(done), "");
        return;
    }
    int done = 0;
    for (std::uint32_t seed = firstSeed; done < operations; ++seed)
        ASSERT_EQ(CRandomRound(seed, dir).Run(done), "");
}

} // namespace

// Four runs of at least 2,600 steps each, so that ctest can run them side by
// side; together well over 10,000 operations.
TEST(UndoRandom, Seeds1000)
{
    RunRounds(1000, 2600);
}

TEST(UndoRandom, Seeds2000)
{
    RunRounds(2000, 2600);
}

TEST(UndoRandom, Seeds3000)
{
    RunRounds(3000, 2600);
}

TEST(UndoRandom, Seeds4000)
{
    RunRounds(4000, 2600);
}
