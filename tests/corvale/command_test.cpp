// The corvale command, run as a user or a script runs it, on the golden
// files.

#include "OutlineFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include <sys/wait.h>

using namespace outline_test;

namespace {

const std::string kData = TEST_DATA_DIR;

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string &s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

CommandRun corvale(const std::vector<std::string> &args)
{
    TempDir dir;
    std::string command = quoted(std::string(TEST_BIN_DIR) + "/corvale");
    for (const std::string &a : args)
        command += " " + quoted(a);
    command += " >" + quoted(dir.file("out")) + " 2>" + quoted(dir.file("err"));
    const int raw = std::system(command.c_str());
    CommandRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = dir.read("out");
    run.err = dir.read("err");
    return run;
}

// Just enough of a JSON reader to check what the dump promises.
struct Json {
    enum Type { null, boolean, number, string, array, object } type = null;
    bool flag = false;
    long long value = 0;
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    const Json &operator[](const std::string &key) const
    {
        for (const auto &m : members)
            if (m.first == key)
                return m.second;
        static const Json none;
        return none;
    }
    std::set<std::string> keys() const
    {
        std::set<std::string> k;
        for (const auto &m : members)
            k.insert(m.first);
        return k;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string &text)
        : m_text(text)
    {
    }

    bool parse(Json &out)
    {
        if (!value(out))
            return false;
        blanks();
        return m_pos == m_text.size();
    }

private:
    void blanks()
    {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
    }
    bool literal(const char *word)
    {
        const std::string w(word);
        if (m_text.compare(m_pos, w.size(), w) != 0)
            return false;
        m_pos += w.size();
        return true;
    }
    bool str(std::string &out)
    {
        if (m_text[m_pos] != '"')
            return false;
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            const char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c == '\\') {
                if (++m_pos >= m_text.size())
                    return false;
                const char e = m_text[m_pos];
                if (e == 'u') {
                    if (m_pos + 4 >= m_text.size())
                        return false;
                    out += '?';
                    m_pos += 4;
                } else if (std::string("\"\\/bfnrt").find(e) == std::string::npos) {
                    return false;
                } else {
                    out += e;
                }
            } else {
                out += c;
            }
        }
        return false;
    }
    bool value(Json &out)
    {
        blanks();
        if (m_pos >= m_text.size())
            return false;
        const char c = m_text[m_pos];
        if (c == '{') {
            out.type = Json::object;
            ++m_pos;
            blanks();
            if (m_text[m_pos] == '}')
                return ++m_pos, true;
            for (;;) {
                blanks();
                std::pair<std::string, Json> member;
                if (!str(member.first))
                    return false;
                blanks();
                if (m_text[m_pos++] != ':' || !value(member.second))
                    return false;
                out.members.push_back(member);
                blanks();
                if (m_text[m_pos] == ',') {
                    ++m_pos;
                    continue;
                }
                return m_text[m_pos++] == '}';
            }
        }
        if (c == '[') {
            out.type = Json::array;
            ++m_pos;
            blanks();
            if (m_text[m_pos] == ']')
                return ++m_pos, true;
            for (;;) {
                Json item;
                if (!value(item))
                    return false;
                out.items.push_back(item);
                blanks();
                if (m_text[m_pos] == ',') {
                    ++m_pos;
                    continue;
                }
                return m_text[m_pos++] == ']';
            }
        }
        if (c == '"') {
            out.type = Json::string;
            return str(out.text);
        }
        if (literal("true") || literal("false")) {
            out.type = Json::boolean;
            out.flag = m_text[m_pos - 1] == 'e' && m_text[m_pos - 2] == 'u';
            return true;
        }
        if (literal("null"))
            return true;
        std::size_t used = 0;
        try {
            out.value = std::stoll(m_text.substr(m_pos), &used);
        } catch (...) {
            return false;
        }
        out.type = Json::number;
        m_pos += used;
        return true;
    }

    const std::string &m_text;
    std::size_t m_pos = 0;
};

Json parsed(const std::string &text)
{
    Json json;
    EXPECT_TRUE(JsonReader(text).parse(json)) << text.substr(0, 200);
    return json;
}

void expectTags(const Json &tags)
{
    ASSERT_EQ(tags.type, Json::array);
    for (const Json &tag : tags.items) {
        EXPECT_EQ(
            tag.keys(), (std::set<std::string> { "id", "version", "flags", "length", "hex" }));
        EXPECT_EQ(static_cast<long long>(tag["hex"].text.size()), 2 * tag["length"].value);
    }
}

const std::set<std::string> kCommonKeys
    = { "kind", "check_code", "version", "rows", "header_table", "headers", "records" };

std::set<std::string> with(std::set<std::string> keys, const std::set<std::string> &more)
{
    keys.insert(more.begin(), more.end());
    return keys;
}

} // namespace

TEST(Command, InfoSummarisesAnOutline)
{
    const CommandRun run = corvale({ "info", kData + "/outline_sample.kxo" });
    EXPECT_EQ(run.status, 0) << run.err;
    for (const char *line : { "Kind: outline\n", "Version: 0\n", "Rows: 6\n",
             "Title: Groceries & plans\n", "Category: Home\n", "Outline changed: yes\n",
             "Synchronized: no\n", "Private: no\n", "Items: 6\n", "Deleted ids: 2\n" })
        EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;

    const CommandRun categories = corvale({ "info", kData + "/sample_categories.dat" });
    EXPECT_EQ(categories.status, 0);
    EXPECT_NE(categories.out.find("Kind: categories\n"), std::string::npos);
    EXPECT_NE(categories.out.find("Categories: 3\n"), std::string::npos);
    EXPECT_NE(corvale({ "info", kData + "/template_sample.kxt" }).out.find("Kind: template\n"),
        std::string::npos);
}

TEST(Command, JsonDumpFollowsItsSchema)
{
    CommandRun run = corvale({ "dump", kData + "/outline_sample.kxo", "--json" });
    ASSERT_EQ(run.status, 0) << run.err;
    Json dump = parsed(run.out);
    EXPECT_EQ(dump.keys(), with(kCommonKeys, { "deleted_ids" }));
    EXPECT_EQ(dump["kind"].text, "outline");
    EXPECT_EQ(dump["check_code"].value, 0x12345678);
    EXPECT_EQ(dump["version"].value, 0);
    EXPECT_EQ(dump["rows"].value, 6);
    ASSERT_EQ(dump["header_table"].items.size(), 3u);
    EXPECT_EQ(dump["header_table"].items[1]["id"].value, 2);
    EXPECT_EQ(dump["header_table"].items[1]["size"].value, 512);
    ASSERT_EQ(dump["headers"].items.size(), 3u);
    for (const Json &header : dump["headers"].items) {
        EXPECT_EQ(header.keys(), (std::set<std::string> { "id", "length", "tags" }));
        expectTags(header["tags"]);
    }
    EXPECT_EQ(dump["headers"].items[0]["length"].value, 0);
    ASSERT_EQ(dump["deleted_ids"].items.size(), 2u);
    EXPECT_EQ(dump["deleted_ids"].items[1].value, 9);
    ASSERT_EQ(dump["records"].items.size(), 6u);
    EXPECT_EQ(dump["records"].items[0]["offset"].value, 1309 + 4 + 4 * 2);
    for (const Json &record : dump["records"].items) {
        EXPECT_EQ(record.keys(), (std::set<std::string> { "offset", "length", "tags" }));
        expectTags(record["tags"]);
    }
    // The first tag of every record is its status.
    EXPECT_EQ(dump["records"].items[0]["tags"].items[0]["id"].value, 1);

    run = corvale({ "dump", "--json", kData + "/sample_categories.dat" });
    ASSERT_EQ(run.status, 0) << run.err;
    dump = parsed(run.out);
    EXPECT_EQ(dump.keys(), with(kCommonKeys, { "next_category_id", "new_flag" }));
    EXPECT_EQ(dump["kind"].text, "categories");
    EXPECT_EQ(dump["next_category_id"].value, 130);
    EXPECT_EQ(dump["new_flag"].type, Json::boolean);

    run = corvale({ "dump", "--json", kData + "/memory_outline.kxm" });
    ASSERT_EQ(run.status, 0) << run.err;
    dump = parsed(run.out);
    EXPECT_EQ(dump.keys(), kCommonKeys);
    EXPECT_EQ(dump["kind"].text, "memory-outline");
    EXPECT_TRUE(dump["header_table"].items.empty());
    EXPECT_EQ(dump["records"].items[0]["offset"].value, 10);
}

TEST(Command, TextDumpDecodesKnownFields)
{
    const CommandRun run = corvale({ "dump", kData + "/outline_empty.kxo" });
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Header 2 (shared): 129 bytes of tags"), std::string::npos);
    EXPECT_NE(run.out.find("Header 3 (private): 227 bytes of tags"), std::string::npos);
    EXPECT_NE(run.out.find("string 2 (title): version 0, flags 0x1, length 9: \"Untitled\""),
        std::string::npos);
    EXPECT_NE(run.out.find("tag 7 (show headings mode): version 0, flags 0x1, length 1: 10"),
        std::string::npos);
}

TEST(Command, CheckReadsEverythingAndNamesWhatIsWrong)
{
    for (const char *name : { "outline_sample.kxo", "outline_empty.kxo", "template_sample.kxt",
             "memory_outline.kxm", "sample_categories.dat" }) {
        const CommandRun run = corvale({ "check", kData + "/" + name });
        EXPECT_EQ(run.status, 0) << name << run.err;
        EXPECT_EQ(run.out, "ok\n") << name;
    }

    CommandRun run = corvale({ "check", kData + "/outline_damaged.kxo" });
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Missing end record identifier"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");

    run = corvale({ "check", kData + "/outline_bad_drawing.kxo" });
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("record 3: Cannot load DIB"), std::string::npos) << run.err;

    TempDir dir;
    dir.write("renamed.kxo", std::string("BOOKMOBLpalm database renamed", 30));
    run = corvale({ "check", dir.file("renamed.kxo") });
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("The db check code is different."), std::string::npos) << run.err;

    std::string newer = readFile(kData + "/outline_empty.kxo");
    newer[4] = 1;
    dir.write("newer.kxo", newer);
    run = corvale({ "check", dir.file("newer.kxo") });
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("The db version is newer than your application."), std::string::npos);

    EXPECT_EQ(corvale({ "check", dir.file("missing.kxo") }).status, 1);
}

TEST(Command, CatShowsTheOutlineAsIndentedText)
{
    const CommandRun run = corvale({ "cat", kData + "/outline_sample.kxo" });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
        "[ ] Shopping\n"
        "  [x] Milk\n"
        "  [ ] Bread\n"
        "      wholemeal\n"
        "        From the bakery on the corner\n"
        "[ ] Holiday\n"
        "  [ ] Book flights\n"
        "        Compare prices\n"
        "        Window seat\n"
        "    [ ] Caf\xc3\xa9 \xc3\xbc"
        "ber \xe2\x82\xac 5\n");
    EXPECT_EQ(corvale({ "cat", kData + "/sample_categories.dat" }).out, "Unfiled\nHome\nWork\n");
}

TEST(Command, NewWritesWhatTheLibraryWritesForANewOutline)
{
    TempDir dir;
    CommandRun run = corvale({ "new", "--empty", dir.file("x.kxo") });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(dir.read("x.kxo").size(), 1313u);
    EXPECT_TRUE(dir.read("x.kxo") == readFile(kData + "/outline_empty.kxo"));

    run = corvale({ "new", dir.file("w.kxt"), "--title", "Weekly review" });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(dir.read("w.kxt") == readFile(kData + "/template_sample.kxt"));

    run = corvale({ "new", dir.file("c.kxo"), "--title", "Caf\xc3\xa9", "--category", "Work" });
    EXPECT_EQ(run.status, 0) << run.err;
    COutlineDB db;
    load(db, dir.file("c.kxo"));
    EXPECT_EQ(db.GetOutlineTitle(), "Caf\xe9");
    EXPECT_EQ(db.GetCategoryName(), "Work");
    EXPECT_EQ(db.GetRecordset()->getSize(), 1u);

    // An existing file is never overwritten; a title the code page cannot
    // hold is refused.
    const std::string before = dir.read("c.kxo");
    EXPECT_EQ(corvale({ "new", dir.file("c.kxo"), "--empty" }).status, 1);
    EXPECT_EQ(dir.read("c.kxo"), before);
    EXPECT_EQ(corvale({ "new", dir.file("d.kxo"), "--title", "\xe4\xb8\xad" }).status, 2);
    EXPECT_TRUE(dir.read("d.kxo").empty());
}

TEST(Command, ReadingCommandsNeverUpgradeOrChangeAFile)
{
    TempDir dir;
    const std::string path = dir.file("old.kxo");
    const std::string before = readFile(kData + "/outline_header300.kxo");
    writeFile(path, before);

    const CommandRun info = corvale({ "info", path });
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("Header upgrade: the program would enlarge"), std::string::npos);
    for (const std::vector<std::string> &args : { std::vector<std::string> { "dump", path },
             { "dump", path, "--json" }, { "check", path }, { "cat", path } }) {
        const CommandRun run = corvale(args);
        EXPECT_EQ(run.status, 0) << args[0];
        EXPECT_NE(run.err.find("would upgrade this file"), std::string::npos) << args[0];
    }
    EXPECT_EQ(corvale({ "cat", path }).out,
        "[ ] First\n  [ ] Second\n        kept through the upgrade\n");
    EXPECT_TRUE(readFile(path) == before);
}

TEST(Command, WrongUsageExitsWith2)
{
    EXPECT_EQ(corvale({}).status, 2);
    EXPECT_EQ(corvale({ "frobnicate", "x.kxo" }).status, 2);
    EXPECT_EQ(corvale({ "info" }).status, 2);
    EXPECT_EQ(corvale({ "info", "--json", "x.kxo" }).status, 2);
    EXPECT_EQ(corvale({ "help" }).status, 0);
}
