#include "PalmTestSupport.h"

#include <cstring>
#include <filesystem>

using namespace palmtest;

namespace {

class UserDataTest : public CHotSyncFolderTest {
protected:
    void SetUp() override
    {
        CHotSyncFolderTest::SetUp();
        m_library = std::make_unique<CLoadedLibrary>(LibraryPath(kUserDataLibraryName));
        ASSERT_TRUE(m_library->IsLoaded()) << m_library->Error();
        m_um = std::make_unique<SUserData>(*m_library);
        ASSERT_TRUE(m_um->getUserCount && m_um->getUserId && m_um->getUserName
            && m_um->getUserDirectory && m_um->getRootDirectory && m_um->isUserProfile);
    }

    uint32_t IdAt(uint16_t index)
    {
        uint32_t id = 0;
        EXPECT_EQ(m_um->getUserId(index, &id), kUmOk);
        return id;
    }
    std::string NameOf(uint32_t id, int32_t &result)
    {
        return FetchText([&](char *b, int16_t *s) { return m_um->getUserName(id, b, s); }, result);
    }
    std::string DirectoryOf(uint32_t id, int32_t &result)
    {
        return FetchText(
            [&](char *b, int16_t *s) { return m_um->getUserDirectory(id, b, s); }, result);
    }

    std::unique_ptr<CLoadedLibrary> m_library;
    std::unique_ptr<SUserData> m_um;
};

TEST_F(UserDataTest, EnumeratesUsersById)
{
    ASSERT_EQ(m_um->getUserCount(), 2);
    int32_t result = 0;
    uint32_t ann = IdAt(0);
    uint32_t bob = IdAt(1);
    EXPECT_EQ(NameOf(ann, result), "Ann");
    EXPECT_EQ(NameOf(bob, result), "Bob Smith");
    EXPECT_EQ(DirectoryOf(ann, result), "Ann");
    EXPECT_EQ(DirectoryOf(bob, result), "BobSmith");
    EXPECT_EQ(m_um->isUserProfile(ann), 0);
    EXPECT_EQ(m_um->isUserProfile(bob), 1);
    EXPECT_EQ(FetchText(m_um->getRootDirectory, result), HotSync());
    EXPECT_EQ(result, kUmOk);
}

TEST_F(UserDataTest, BothFlavoursDescribeTheSameUsers)
{
    CLoadedLibrary instaide(LibraryPath(kInstaideLibraryName));
    ASSERT_TRUE(instaide.IsLoaded()) << instaide.Error();
    SInstaide plt(instaide);
    ASSERT_EQ(plt.getUserCount(), m_um->getUserCount());

    int32_t result = 0;
    std::string root = FetchText(m_um->getRootDirectory, result);
    for (uint16_t index = 0; index < plt.getUserCount(); ++index) {
        std::string name
            = FetchText([&](char *b, int16_t *s) { return plt.getUser(index, b, s); }, result);
        uint32_t id = 0;
        ASSERT_EQ(plt.getUserIdFromName(name.c_str(), &id), kUmOk);
        EXPECT_EQ(id, IdAt(index));
        EXPECT_EQ(NameOf(id, result), name);
        std::string full = FetchText(
            [&](char *b, int16_t *s) { return plt.getUserDirectory(name.c_str(), b, s); }, result);
        EXPECT_EQ(full, root + "/" + DirectoryOf(id, result));
        EXPECT_EQ(plt.isUserProfile(name.c_str()), m_um->isUserProfile(id));
    }
}

TEST_F(UserDataTest, BadIndexesIdsAndBuffersGiveTheirErrorCodes)
{
    uint32_t id = 5;
    EXPECT_EQ(m_um->getUserId(2, &id), kUmErrInvalidUser);
    EXPECT_EQ(id, 5u);
    EXPECT_EQ(m_um->getUserId(0, nullptr), kUmErrInvalidPointer);

    uint32_t unknown = IdAt(0) ^ IdAt(1) ^ 1u;
    int32_t result = 0;
    NameOf(unknown, result);
    EXPECT_EQ(result, kUmErrNoUserFound);
    NameOf(0, result);
    EXPECT_EQ(result, kUmErrNoUserFound);
    DirectoryOf(unknown, result);
    EXPECT_EQ(result, kUmErrNoUserFound);
    EXPECT_EQ(m_um->isUserProfile(unknown), kUmErrNoUserFound);

    char buffer[4];
    std::memset(buffer, 'x', sizeof buffer);
    int16_t size = sizeof buffer;
    // "BobSmith" and the root do not fit in 4 bytes.
    EXPECT_EQ(m_um->getUserDirectory(IdAt(1), buffer, &size), kUmErrBufferTooSmall);
    EXPECT_EQ(size, 9);
    EXPECT_EQ(buffer[0], 'x');
    size = sizeof buffer;
    EXPECT_EQ(m_um->getRootDirectory(buffer, &size), kUmErrBufferTooSmall);
    EXPECT_EQ(size, static_cast<int16_t>(HotSync().size() + 1));
    EXPECT_EQ(m_um->getRootDirectory(nullptr, &size), kUmErrInvalidPointer);
    EXPECT_EQ(m_um->getUserName(IdAt(0), buffer, nullptr), kUmErrInvalidPointer);
}

TEST_F(UserDataTest, EmptyAndMissingUserFiles)
{
    ASSERT_EQ(RunPalmDesktop({ "remove", "Ann", "--folder", HotSync() }).nExitCode, 0);
    ASSERT_EQ(RunPalmDesktop({ "remove", "Bob Smith", "--folder", HotSync() }).nExitCode, 0);
    EXPECT_EQ(m_um->getUserCount(), 0);
    uint32_t id = 0;
    EXPECT_EQ(m_um->getUserId(0, &id), kUmErrNoUsers);

    std::filesystem::remove(HotSync() + "/users.dat");
    EXPECT_EQ(m_um->getUserCount(), kUmErrNoUserDatFile);
    int32_t result = 0;
    FetchText(m_um->getRootDirectory, result);
    EXPECT_EQ(result, kUmErrNoUserDatFile);
}

} // namespace
