#include "PalmTestSupport.h"

#include <string>

using namespace palmtest;

namespace {

class CondMgrTest : public CHotSyncFolderTest {
protected:
    void SetUp() override
    {
        CHotSyncFolderTest::SetUp();
        m_library = std::make_unique<CLoadedLibrary>(LibraryPath(kCondMgrLibraryName));
        ASSERT_TRUE(m_library->IsLoaded()) << m_library->Error();
        find = m_library->Resolve<NmFindProc>("NmFind");
        registerNotifier = m_library->Resolve<NmRegisterProc>("NmRegister");
        unregisterNotifier = m_library->Resolve<NmUnregisterProc>("NmUnregister");
        ASSERT_TRUE(find && registerNotifier && unregisterNotifier);
    }

    std::string Registry() const { return ReadFile(HotSync() + "/notifiers.dat"); }

    std::unique_ptr<CLoadedLibrary> m_library;
    NmFindProc find = nullptr;
    NmRegisterProc registerNotifier = nullptr;
    NmUnregisterProc unregisterNotifier = nullptr;
};

TEST_F(CondMgrTest, RegisterFindUnregisterRoundTrip)
{
    const std::string first = HotSync() + "/libKXNotify.so";
    const std::string second = "/opt/other/notifier with blanks.so";

    EXPECT_EQ(find(first.c_str()), kCmErrNotFound);
    EXPECT_EQ(registerNotifier(first.c_str()), kCmOk);
    EXPECT_EQ(find(first.c_str()), 0);
    EXPECT_EQ(registerNotifier(second.c_str()), kCmOk);
    EXPECT_EQ(find(second.c_str()), 1);

    // Registering again keeps one entry.
    EXPECT_EQ(registerNotifier(first.c_str()), kCmOk);
    EXPECT_EQ(find(first.c_str()), 0);
    EXPECT_EQ(find(second.c_str()), 1);
    EXPECT_EQ(Registry().find(first), Registry().rfind(first));

    // The registry lives in the folder: a second copy of the library in
    // another process would see it; here a fresh load of the same file does.
    m_library.reset();
    m_library = std::make_unique<CLoadedLibrary>(LibraryPath(kCondMgrLibraryName));
    find = m_library->Resolve<NmFindProc>("NmFind");
    unregisterNotifier = m_library->Resolve<NmUnregisterProc>("NmUnregister");
    EXPECT_EQ(find(second.c_str()), 1);

    EXPECT_EQ(unregisterNotifier(first.c_str()), kCmOk);
    EXPECT_EQ(find(first.c_str()), kCmErrNotFound);
    EXPECT_EQ(find(second.c_str()), 0);
    EXPECT_EQ(unregisterNotifier(first.c_str()), kCmErrNotFound);
    EXPECT_EQ(unregisterNotifier(second.c_str()), kCmOk);
    EXPECT_EQ(Registry().find("notifier\t"), std::string::npos);
}

TEST_F(CondMgrTest, RefusesUnusablePaths)
{
    EXPECT_EQ(find(nullptr), kCmErrInvalidPointer);
    EXPECT_EQ(registerNotifier(nullptr), kCmErrInvalidPointer);
    EXPECT_EQ(unregisterNotifier(nullptr), kCmErrInvalidPointer);
    EXPECT_EQ(registerNotifier(""), kCmErrBadPath);
    EXPECT_EQ(registerNotifier("/a\nnotifier\t/b"), kCmErrBadPath);
    EXPECT_EQ(registerNotifier(std::string(2000, 'a').c_str()), kCmErrBadPath);
    EXPECT_EQ(find(""), kCmErrBadPath);
    EXPECT_EQ(unregisterNotifier(""), kCmErrNotFound);
    EXPECT_FALSE(Exists(HotSync() + "/notifiers.dat"));
}

TEST_F(CondMgrTest, DamagedRegistryIsReportedAndLeftAlone)
{
    const std::string damaged = "PalmDesktopNotifiers\t1\nnotifier\t/a.so\nnonsense\n";
    WriteFile(HotSync() + "/notifiers.dat", damaged);
    EXPECT_EQ(find("/a.so"), kCmErrStoreAccess);
    EXPECT_EQ(registerNotifier("/b.so"), kCmErrStoreAccess);
    EXPECT_EQ(unregisterNotifier("/a.so"), kCmErrStoreAccess);
    EXPECT_EQ(Registry(), damaged);

    WriteFile(HotSync() + "/notifiers.dat", "PalmDesktopNotifiers\t2\n");
    EXPECT_EQ(find("/a.so"), kCmErrStoreAccess);
}

} // namespace
