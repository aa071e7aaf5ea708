#include "kx_gen/SettingsHive.h"

#include <gtest/gtest.h>

#include <string>

using namespace kx_gen;

namespace {

CSettingsHive::ParseResult ParseText(
    CSettingsHive &hive, const std::string &text, std::string *error = nullptr)
{
    return hive.Parse(text.data(), text.size(), error);
}

std::string ValueText(const CSettingsHive &hive, const char *key, const char *name)
{
    const CSettingsHive::Value *v = hive.FindValue(key, name);
    return v ? std::string(v->data.begin(), v->data.end()) : std::string("<missing>");
}

} // namespace

TEST(SettingsHiveText, EveryTypeAndOddBytesSurviveARoundTrip)
{
    CSettingsHive hive;
    ASSERT_EQ(hive.CreateKey("Software\\Larkwell\\Idealoom\\Preferences"), kRegSuccess);
    ASSERT_EQ(hive.CreateKey("Software\\Empty [key] 100%"), kRegSuccess);
    const char text[] = "caf\xE9 \"quoted\" 50% [x]\n\ttab";
    hive.SetValue("software\\larkwell\\idealoom\\preferences", "Path", REG_SZ, text, sizeof text);
    unsigned char dword[4] = { 0x2A, 0, 0, 0x80 };
    hive.SetValue("Software\\Larkwell\\Idealoom\\Preferences", "Max State", REG_DWORD, dword, 4);
    unsigned char binary[] = { 0, 1, 0xFE, 0xFF };
    hive.SetValue("Software\\Larkwell\\Idealoom\\Preferences", "Block", REG_BINARY, binary, 4);
    hive.SetValue("Software\\Larkwell\\Idealoom\\Preferences", "Empty", REG_BINARY, nullptr, 0);
    // Forms that do not fit sz: or dword: fall back to hex(type).
    hive.SetValue("Software\\Larkwell\\Idealoom\\Preferences", "Unterminated", REG_SZ, "ab", 2);
    hive.SetValue("Software\\Larkwell\\Idealoom\\Preferences", "Short", REG_DWORD, "ab", 2);
    hive.SetValue("Software\\Larkwell\\Idealoom\\Preferences", "Multi", 7, "a\0b\0", 5);
    hive.SetValue("", "at root", REG_SZ, "r", 2);

    std::string file = hive.Serialize();
    EXPECT_EQ(file.rfind("KXHIVE 1\n", 0), 0u);
    EXPECT_NE(file.find("\"Max State\"=dword:8000002a\n"), std::string::npos);
    EXPECT_NE(file.find("\"Path\"=sz:\"caf%E9 %22quoted%22 50%25 %5Bx%5D%0A%09tab\"\n"),
        std::string::npos);
    EXPECT_NE(file.find("\"Block\"=binary:0001feff\n"), std::string::npos);
    EXPECT_NE(file.find("[Software\\Empty %5Bkey%5D 100%25]\n"), std::string::npos);
    for (char c : file)
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int(c);

    CSettingsHive back;
    std::string error;
    ASSERT_EQ(ParseText(back, file, &error), CSettingsHive::kParsed) << error;
    EXPECT_EQ(back.Serialize(), file);
    EXPECT_EQ(ValueText(back, "SOFTWARE\\LARKWELL\\IDEALOOM\\PREFERENCES", "path"),
        std::string(text, sizeof text));
    const CSettingsHive::Value *multi
        = back.FindValue("Software\\Larkwell\\Idealoom\\Preferences", "Multi");
    ASSERT_TRUE(multi);
    EXPECT_EQ(multi->type, 7u);
    EXPECT_EQ(multi->data.size(), 5u);
    EXPECT_EQ(back.KeyExists("software\\empty [KEY] 100%"), kRegSuccess);
    EXPECT_EQ(ValueText(back, "", "AT ROOT"), std::string("r", 2));
}

TEST(SettingsHiveKeys, NamesAreCaseInsensitiveAndKeepTheirFirstSpelling)
{
    CSettingsHive hive;
    bool created = false;
    ASSERT_EQ(
        hive.CreateKey("Software\\U.S. Robotics\\Pilot Desktop\\Core", &created), kRegSuccess);
    EXPECT_TRUE(created);
    ASSERT_EQ(hive.CreateKey("SOFTWARE\\u.s. robotics", &created), kRegSuccess);
    EXPECT_FALSE(created);
    std::string stored;
    ASSERT_EQ(hive.GetKeyPath("software\\U.S. ROBOTICS\\pilot desktop", &stored), kRegSuccess);
    EXPECT_EQ(stored, "Software\\U.S. Robotics\\Pilot Desktop");

    // Windows-1252 letters outside ASCII fold too.
    ASSERT_EQ(hive.CreateKey("\xC9t\xE9\\\x8A"), kRegSuccess);
    EXPECT_EQ(hive.KeyExists("\xE9T\xC9\\\x9A"), kRegSuccess);

    bool changed = false;
    hive.SetValue("software", "Name", REG_SZ, "a", 2, &changed);
    EXPECT_TRUE(changed);
    hive.SetValue("software", "NAME", REG_SZ, "a", 2, &changed);
    EXPECT_FALSE(changed) << "same data is no change";
    EXPECT_EQ(hive.FindValue("SOFTWARE", "name")->name, "Name");

    EXPECT_EQ(hive.DeleteKey("software\\u.s. robotics"), kRegSuccess);
    EXPECT_EQ(hive.KeyExists("Software\\U.S. Robotics\\Pilot Desktop\\Core"), kRegNotFound);
    EXPECT_EQ(hive.KeyExists("Software"), kRegSuccess);
    EXPECT_EQ(hive.DeleteKey(""), kRegAccessDenied);
}

TEST(SettingsHiveKeys, BadPathsAndOversizedValuesAreRefused)
{
    CSettingsHive hive;
    EXPECT_EQ(hive.CreateKey("a\\\\b"), kRegInvalidParameter);
    EXPECT_EQ(hive.CreateKey("\\a"), kRegInvalidParameter);
    EXPECT_EQ(hive.CreateKey("a\\"), kRegInvalidParameter);
    EXPECT_EQ(hive.CreateKey(std::string(256, 'k')), kRegInvalidParameter);
    EXPECT_EQ(hive.CreateKey(std::string(255, 'k')), kRegSuccess);
    std::string deep;
    for (std::size_t i = 0; i <= kRegMaxKeyDepth; ++i)
        deep += i ? "\\k" : "k";
    EXPECT_EQ(hive.CreateKey(deep), kRegInvalidParameter);
    EXPECT_EQ(hive.CreateKey(deep.substr(2)), kRegSuccess);

    std::vector<unsigned char> big(kRegMaxValueSize + 1);
    EXPECT_EQ(hive.SetValue("k", "big", REG_BINARY, big.data(), big.size()), kRegInvalidParameter);
    EXPECT_EQ(hive.SetValue("missing", "v", REG_BINARY, big.data(), 1), kRegNotFound);
    EXPECT_TRUE(hive.IsEmpty() == false);

    // Whatever the hive accepts, its file form parses back to the same text.
    CSettingsHive back;
    std::string file = hive.Serialize();
    ASSERT_EQ(ParseText(back, file), CSettingsHive::kParsed);
    EXPECT_EQ(back.Serialize(), file);
}

TEST(SettingsHiveText, MalformedFilesAreRefusedAndLeaveTheHiveEmpty)
{
    const char *bad[] = {
        "KXHIVE\n",
        "KXHIVE 0\n",
        "KXHIVE 1x\n",
        "hive 1\n[a]\n",
        "KXHIVE 1\n\"v\"=sz:\"x\"\n", // value before any key
        "KXHIVE 1\n[a\n", // unterminated key
        "KXHIVE 1\n[a\\\\b]\n", // empty segment
        "KXHIVE 1\n[a%5Cb]\n", // escaped separator inside a segment
        "KXHIVE 1\n[a%00]\n", // NUL in a key name
        "KXHIVE 1\n[a]\n\"v\"=dword:1234567\n", // 7 digits
        "KXHIVE 1\n[a]\n\"v\"=dword:1234567g\n", // not hex
        "KXHIVE 1\n[a]\n\"v\"=binary:abc\n", // odd digit count
        "KXHIVE 1\n[a]\n\"v\"=sz:\"x\n", // unterminated text
        "KXHIVE 1\n[a]\n\"v\"=sz:\"a\"b\"\n", // raw quote in text
        "KXHIVE 1\n[a]\n\"v\"=sz:\"%4\"\n", // short escape
        "KXHIVE 1\n[a]\n\"v\"=sz:\"\xE9\"\n", // raw non-ASCII byte
        "KXHIVE 1\n[a]\n\"v\"=hex(4294967296):00\n",
        "KXHIVE 1\n[a]\n\"v\"=hex():00\n",
        "KXHIVE 1\n[a]\n\"v\"=float:1\n",
        "KXHIVE 1\n[a]\n\"v\"\n",
        "KXHIVE 1\n[a]\n\"v%00\"=binary:\n", // NUL in a value name
        "KXHIVE 1\n[a]\njunk\n",
    };
    for (const char *text : bad) {
        CSettingsHive hive;
        hive.CreateKey("left over");
        std::string error;
        EXPECT_EQ(ParseText(hive, text, &error), CSettingsHive::kMalformed) << text;
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(hive.IsEmpty()) << text;
    }

    CSettingsHive newer;
    EXPECT_EQ(ParseText(newer, "KXHIVE 2\n[a]\nanything at all\n"), CSettingsHive::kNewerVersion);
    EXPECT_TRUE(newer.IsEmpty());
}

TEST(SettingsHiveText, HandEditedFilesAreAccepted)
{
    CSettingsHive hive;
    std::string error;
    ASSERT_EQ(ParseText(hive,
                  "KXHIVE 1\r\n"
                  "; written by hand\r\n"
                  "\r\n"
                  "[Software\\A]\r\n"
                  "\"x\"=dword:0000000A\r\n"
                  "\"X\"=dword:0000000b\r\n" // same name: the later one wins
                  "[]\n"
                  "\"\"=sz:\"default\"\n"
                  "[software\\a]\n"
                  "\"y\"=sz:\"%c3\"", // no final line end, lower-case escape
                  &error),
        CSettingsHive::kParsed)
        << error;
    const CSettingsHive::Value *x = hive.FindValue("Software\\A", "x");
    ASSERT_TRUE(x);
    EXPECT_EQ(x->data, (std::vector<unsigned char> { 0x0B, 0, 0, 0 }));
    EXPECT_EQ(ValueText(hive, "software\\a", "Y"), std::string("\xC3", 2));
    EXPECT_EQ(ValueText(hive, "", ""), std::string("default", 8));

    CSettingsHive empty;
    EXPECT_EQ(ParseText(empty, ""), CSettingsHive::kParsed);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(SettingsHiveText, OutputGrowsOnlyWithTheInput)
{
    // A deep key written once must not be expanded into one line per ancestor.
    std::string path;
    for (int i = 0; i < 500; ++i)
        path += (i ? "\\" : "") + std::string(200, 'a' + i % 26);
    std::string text = "KXHIVE 1\n[" + path + "]\n";
    CSettingsHive hive;
    ASSERT_EQ(ParseText(hive, text), CSettingsHive::kParsed);
    EXPECT_EQ(hive.Serialize(), text);
}
