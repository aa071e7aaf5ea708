#include "MirrickTestSupport.h"

#include <cstdio>
#include <filesystem>

using namespace mirricktest;

namespace {

class ShortcutTest : public MirrickTest {
protected:
    std::string Menu() const { return m_temp / "data/applications"; }
    std::string Desktop() const { return m_temp / "Desktop"; }
    std::string MenuEntry(const std::string &file = "Vellacor.desktop") const
    {
        return Menu() + "/" + file;
    }
    std::string DesktopEntry(const std::string &file = "Vellacor.desktop") const
    {
        return Desktop() + "/" + file;
    }

    // The complaints of desktop-file-validate (of desktop-file-utils) about
    // `path`; empty when it is valid.
    static std::string Validate(const std::string &path)
    {
        std::string command = "desktop-file-validate '" + path + "' 2>&1";
        std::FILE *pipe = ::popen(command.c_str(), "r");
        std::string output;
        char buffer[256];
        while (pipe && std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        int status = pipe ? ::pclose(pipe) : -1;
        return status == 0 && output.find("error") == std::string::npos ? std::string()
                                                                        : output + "(failed)";
    }
};

std::string ExecOf(const std::string &entry)
{
    std::string::size_type start = entry.find("\nExec=");
    if (start == std::string::npos)
        return {};
    start += 6;
    return entry.substr(start, entry.find('\n', start) - start);
}

TEST_F(ShortcutTest, MenuShortcutIsAValidDesktopEntry)
{
    EXPECT_EQ(registerShortCut("Vellacor", 0, "/usr/bin/vellacor", "%F"), kMirrickOk);
    ASSERT_TRUE(Exists(MenuEntry()));
    EXPECT_FALSE(Exists(DesktopEntry()));
    const std::string entry = ReadFile(MenuEntry());
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nName=Vellacor\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon=vellacor\n"), std::string::npos);
    EXPECT_EQ(ExecOf(entry), "/usr/bin/vellacor %F");
    EXPECT_EQ(Validate(MenuEntry()), "");
}

TEST_F(ShortcutTest, ArgumentsAreQuotedForTheDesktop)
{
    const char *target = "/opt/My Apps/vella$cor";
    const char *arguments = "--title \"Ann's 100% notes\" back\\slash %f \"\"";
    ASSERT_EQ(registerShortCut("Vellacor", kShortcutInMenu, target, arguments), kMirrickOk);
    EXPECT_EQ(ExecOf(ReadFile(MenuEntry())),
        "\"/opt/My Apps/vella\\\\$cor\" --title \"Ann's 100%% notes\" \"back\\\\\\\\slash\" %f "
        "\"\"");
    EXPECT_EQ(Validate(MenuEntry()), "");

    EXPECT_EQ(
        registerShortCut("Vellacor", 0, "/usr/bin/vellacor", "\"open quote"), kMirrickBadArgument);
    EXPECT_NE(ReadFile(MenuEntry()).find("My Apps"), std::string::npos);
}

TEST_F(ShortcutTest, FlagsChooseMenuAndDesktopAndReplacingMovesTheShortcut)
{
    ASSERT_EQ(registerShortCut(
                  "Vellacor", kShortcutInMenu | kShortcutOnDesktop, "/usr/bin/vellacor", nullptr),
        kMirrickOk);
    EXPECT_TRUE(Exists(MenuEntry()));
    ASSERT_TRUE(Exists(DesktopEntry()));
    struct stat status { };
    ASSERT_EQ(::stat(DesktopEntry().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0755u); // a launcher the desktop will start
    EXPECT_EQ(Validate(DesktopEntry()), "");

    ASSERT_EQ(
        registerShortCut("Vellacor", kShortcutOnDesktop, "/usr/bin/other", nullptr), kMirrickOk);
    EXPECT_FALSE(Exists(MenuEntry()));
    EXPECT_EQ(ExecOf(ReadFile(DesktopEntry())), "/usr/bin/other");

    EXPECT_EQ(unregisterShortCut("Vellacor"), kMirrickOk);
    EXPECT_FALSE(Exists(DesktopEntry()));
    EXPECT_EQ(unregisterShortCut("Vellacor"), kMirrickOk);
}

TEST_F(ShortcutTest, DesktopFolderFollowsTheUserDirectories)
{
    std::filesystem::create_directories(m_temp / "config");
    WriteFile(m_temp / "config/user-dirs.dirs",
        "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    ASSERT_EQ(
        registerShortCut("Vellacor", kShortcutOnDesktop, "/usr/bin/vellacor", nullptr), kMirrickOk);
    EXPECT_TRUE(Exists(m_temp / "Schreibtisch/Vellacor.desktop"));
    EXPECT_FALSE(Exists(DesktopEntry()));
}

TEST_F(ShortcutTest, DistinctNamesGiveDistinctFiles)
{
    for (const char *name : { "Vellacor Notes", "Vellacor-Notes", "Vellacor_Notes", "Notizen ä" })
        ASSERT_EQ(registerShortCut(name, 0, "/usr/bin/vellacor", nullptr), kMirrickOk) << name;
    EXPECT_TRUE(Exists(MenuEntry("Vellacor_20Notes.desktop")));
    EXPECT_TRUE(Exists(MenuEntry("Vellacor-Notes.desktop")));
    EXPECT_TRUE(Exists(MenuEntry("Vellacor_5FNotes.desktop")));
    EXPECT_TRUE(Exists(MenuEntry("Notizen_20_C3_A4.desktop")));
    EXPECT_NE(ReadFile(MenuEntry("Notizen_20_C3_A4.desktop")).find("\nName=Notizen ä\n"),
        std::string::npos);
    EXPECT_EQ(Validate(MenuEntry("Notizen_20_C3_A4.desktop")), "");
}

TEST_F(ShortcutTest, UnusableArgumentsAreRefused)
{
    const std::string longName(kMirrickMaxNameBytes + 1, 'v');
    // Short enough as text, too long once escaped into a file name.
    std::string wideName;
    for (int i = 0; i < 60; ++i)
        wideName += "\xC3\xA4";
    for (const char *name : { static_cast<const char *>(nullptr), "", "Vella\ncor", "Vella\tcor",
             "Vella\xFF", longName.c_str(), wideName.c_str() }) {
        EXPECT_EQ(registerShortCut(name, 0, "/usr/bin/vellacor", nullptr), kMirrickBadArgument);
        EXPECT_EQ(unregisterShortCut(name), kMirrickBadArgument);
    }
    EXPECT_EQ(registerShortCut("Vellacor", 4, "/usr/bin/vellacor", nullptr), kMirrickBadArgument);
    EXPECT_EQ(registerShortCut("Vellacor", -1, "/usr/bin/vellacor", nullptr), kMirrickBadArgument);
    EXPECT_EQ(registerShortCut("Vellacor", 0, nullptr, nullptr), kMirrickBadArgument);
    EXPECT_EQ(registerShortCut("Vellacor", 0, "", nullptr), kMirrickBadArgument);
    EXPECT_EQ(registerShortCut("Vellacor", 0, "/usr/bin/", nullptr), kMirrickBadArgument);
    EXPECT_EQ(registerShortCut("Vellacor", 0, "/usr/bin/vellacor", "a\nb"), kMirrickBadArgument);
    EXPECT_FALSE(Exists(Menu()));
}

TEST_F(ShortcutTest, AnUnwritableFolderChangesNothing)
{
    ASSERT_EQ(
        registerShortCut("Vellacor", kShortcutOnDesktop, "/usr/bin/old", nullptr), kMirrickOk);
    // The menu folder's place is taken by a file.
    WriteFile(m_temp / "data", "");
    EXPECT_EQ(
        registerShortCut("Vellacor", kShortcutInMenu | kShortcutOnDesktop, "/usr/bin/new", nullptr),
        kMirrickShortcutFailed);
    EXPECT_EQ(ExecOf(ReadFile(DesktopEntry())), "/usr/bin/old");
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(Desktop()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string> { "Vellacor.desktop" });
}

} // namespace
