#include "FileClock.h"
#include "TempDir.h"
#include "Thrown.h"

#include "kx_gen/Exception.h"
#include "kx_gen/File.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

using namespace kx_gen;

namespace {

using corvale_test::thrownMessage;

// Runs `f` and returns the cause of the CFileException it throws (-1 when it
// throws none).
template <typename F> int thrownCause(F f)
{
    try {
        f();
    } catch (CException *e) {
        ExceptionHolder h(e);
        if (auto *fe = dynamic_cast<CFileException *>(e))
            return fe->GetCause();
        return -2;
    }
    return -1;
}

std::string bytes(std::size_t n, unsigned seed)
{
    std::string s(n, '\0');
    std::mt19937 rng(seed);
    for (char &c : s)
        c = static_cast<char>(rng());
    return s;
}

} // namespace

TEST(FileRead, ShortReadThrowsReadErrorAndKeepsPosition)
{
    TempDir dir;
    dir.write("a.bin", std::string(100, 'x'));
    CFile f(dir.file("a.bin").c_str(), CFile::modeRead);
    f.Seek(-4, CFile::end);
    char buf[10];
    try {
        f.Read(buf, 10);
        FAIL() << "a read past the end must throw";
    } catch (CException *e) {
        ExceptionHolder h(e);
        EXPECT_EQ(e->GetStringId(), kMsgFileReadError);
        EXPECT_EQ(e->GetErrorNumber(), 7);
        EXPECT_EQ(e->GetDescription(), _String("File IO read error"));
    }
    EXPECT_EQ(f.GetPosition(), 96u);
    EXPECT_EQ(f.Read(buf, 4), 4u);
    EXPECT_TRUE(f.IsEOF());
    EXPECT_EQ(thrownMessage([&] { f.Read(buf, 1); }), kMsgFileReadError);
}

TEST(FileRead, ReadingAWriteOnlyFileFails)
{
    TempDir dir;
    CFile f(dir.file("w.bin").c_str(), CFile::modeCreate | CFile::modeWrite);
    f.Write("abc", 3);
    f.SeekToBegin();
    char c;
    EXPECT_EQ(thrownMessage([&] { f.Read(&c, 1); }), kMsgFileReadError);
}

TEST(FileSeek, BeforeTheStartOrBadOriginThrowsFileIO)
{
    TempDir dir;
    CFile f(dir.file("s.bin").c_str(), CFile::modeCreate | CFile::modeReadWrite);
    f.Write("0123456789", 10);
    EXPECT_EQ(thrownMessage([&] { f.Seek(-11, CFile::end); }), kMsgFileIO);
    EXPECT_EQ(thrownMessage([&] { f.Seek(-1, CFile::begin); }), kMsgFileIO);
    EXPECT_EQ(thrownMessage([&] { f.Seek(0, 7); }), kMsgFileIO);
    EXPECT_EQ(f.GetPosition(), 10u);
    // Beyond the end is allowed; writing there fills the gap with zeros.
    EXPECT_EQ(f.Seek(5, CFile::end), 15u);
    f.Write("x", 1);
    f.Close();
    EXPECT_EQ(dir.read("s.bin"), std::string("0123456789\0\0\0\0\0x", 16));
}

// Random small and large reads, writes, seeks and truncations against a
// string that models the file: the buffer must never show stale or lost bytes.
TEST(FileBuffering, RandomOperationsMatchAModel)
{
    TempDir dir;
    const std::string path = dir.file("model.bin");
    std::string model = bytes(150000, 1);
    dir.write("model.bin", model);

    CFile f(path.c_str(), CFile::modeReadWrite);
    std::mt19937 rng(42);
    std::uint64_t pos = 0;
    for (int step = 0; step < 3000; ++step) {
        const unsigned op = rng() % 10;
        // Mostly small sizes (fields), sometimes larger than the buffer.
        const std::size_t size = (rng() % 8 == 0) ? 1 + rng() % 140000 : 1 + rng() % 300;
        if (op < 4) {
            char buf[300];
            std::string big;
            char *out = buf;
            if (size > sizeof buf) {
                big.resize(size);
                out = big.data();
            }
            if (pos + size <= model.size()) {
                ASSERT_EQ(f.Read(out, static_cast<unsigned>(size)), size);
                ASSERT_EQ(std::string(out, size), model.substr(pos, size)) << "step " << step;
                pos += size;
            } else {
                ASSERT_EQ(thrownMessage([&] { f.Read(out, static_cast<unsigned>(size)); }),
                    kMsgFileReadError);
            }
        } else if (op < 7) {
            const std::string data = bytes(size, static_cast<unsigned>(step));
            f.Write(data.data(), static_cast<unsigned>(data.size()));
            if (model.size() < pos + size)
                model.resize(pos + size, '\0');
            model.replace(pos, size, data);
            pos += size;
        } else if (op < 9) {
            const std::uint64_t target = rng() % (model.size() + 100);
            switch (rng() % 3) {
            case 0:
                ASSERT_EQ(f.Seek(static_cast<std::int64_t>(target), CFile::begin), target);
                break;
            case 1:
                ASSERT_EQ(f.Seek(static_cast<std::int64_t>(target) - static_cast<std::int64_t>(pos),
                              CFile::current),
                    target);
                break;
            default:
                ASSERT_EQ(f.Seek(static_cast<std::int64_t>(target)
                                  - static_cast<std::int64_t>(model.size()),
                              CFile::end),
                    target);
            }
            pos = target;
        } else if (rng() % 4 == 0) {
            const std::uint64_t length = rng() % (model.size() + 1000);
            f.SetLength(length);
            model.resize(length, '\0');
        } else {
            f.Flush();
        }
        ASSERT_EQ(f.GetPosition(), pos);
        ASSERT_EQ(f.GetLength(), model.size());
    }
    f.Close();
    EXPECT_EQ(dir.read("model.bin"), model);
}

TEST(FileBuffering, WrittenDataIsVisibleAfterFlushAndSeek)
{
    TempDir dir;
    CFile f(
        dir.file("v.bin").c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::shareDenyNone);
    f.Write("hello", 5);
    f.Flush();
    EXPECT_EQ(dir.read("v.bin"), "hello");
    f.Write(" world", 6);
    f.Seek(0, CFile::begin);
    EXPECT_EQ(dir.read("v.bin"), "hello world");
    // A deny-none file may grow under us: the length is asked each time.
    {
        CFile other(dir.file("v.bin").c_str(), CFile::modeWrite | CFile::shareDenyNone);
        other.SeekToEnd();
        other.Write("!", 1);
    }
    EXPECT_EQ(f.GetLength(), 12u);
}

TEST(FileOpen, ModesCreateTruncateAndMissingFiles)
{
    TempDir dir;
    const std::string path = dir.file("o.bin");
    EXPECT_EQ(
        thrownCause([&] { CFile f(path.c_str(), CFile::modeRead); }), CFileException::fileNotFound);
    EXPECT_EQ(thrownCause([&] {
        CFile f(dir.file("no/such.bin").c_str(), CFile::modeCreate | CFile::modeWrite);
    }),
        CFileException::badPath);
    EXPECT_EQ(thrownCause([&] { CFile f(dir.path().c_str(), CFile::modeRead); }),
        CFileException::accessDenied);

    dir.write("o.bin", "existing");
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
        EXPECT_EQ(f.GetLength(), 8u);
        EXPECT_EQ(f.GetFilePath(), _String(path));
        EXPECT_EQ(f.GetFileName(), _String("o.bin"));
        EXPECT_EQ(f.GetFileTitle(), _String("o"));
        EXPECT_EQ(f.GetFileExt(), _String(".bin"));
        EXPECT_EQ(f.GetFileDir(), _String(dir.path() + "/"));
        EXPECT_EQ(f.GetFileDrive(), _String(""));
    }
    EXPECT_EQ(dir.read("o.bin"), "existing");
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        EXPECT_EQ(f.GetLength(), 0u);
    }
    EXPECT_EQ(dir.read("o.bin"), "");

    CFile ro(path.c_str(), CFile::modeRead);
    EXPECT_EQ(thrownCause([&] { ro.Write("x", 1); }), CFileException::accessDenied);
}

TEST(FileAttach, DetachLeavesTheDescriptorAtThePosition)
{
    TempDir dir;
    dir.write("d.bin", "abcdef");
    CFile opener(dir.file("d.bin").c_str(), CFile::modeReadWrite);
    const int fd = dup(opener.GetHandle());
    opener.Close();
    {
        CFile f(fd);
        char buf[2];
        f.Read(buf, 2);
        f.Write("XY", 2);
        EXPECT_EQ(f.Detach(), fd);
        EXPECT_FALSE(f.IsOpen());
    }
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 4);
    close(fd);
    EXPECT_EQ(dir.read("d.bin"), "abXYef");
}

namespace {

struct SharePair {
    unsigned first;
    unsigned second;
    bool allowed;
};

} // namespace

// Pairs of opens of one file: the second is refused when it wants what the
// first denies, or denies what the first has.
TEST(FileShareModes, ConflictingOpensAreRefused)
{
    TempDir dir;
    const std::string path = dir.file("share.bin");
    dir.write("share.bin", "data");
    const unsigned R = CFile::modeRead, W = CFile::modeWrite, RW = CFile::modeReadWrite;
    const SharePair pairs[] = {
        { R | CFile::shareDenyWrite, R | CFile::shareDenyWrite, true },
        { R | CFile::shareDenyWrite, R | CFile::shareDenyNone, true },
        { R | CFile::shareDenyWrite, RW | CFile::shareDenyNone, false },
        { R | CFile::shareDenyWrite, W | CFile::shareDenyNone, false },
        { RW | CFile::shareDenyNone, R | CFile::shareDenyWrite, false },
        { RW | CFile::shareExclusive, R | CFile::shareDenyNone, false },
        { R | CFile::shareDenyNone, R | CFile::shareExclusive, false },
        { R | CFile::shareDenyRead, R | CFile::shareDenyNone, false },
        { R | CFile::shareDenyRead, W | CFile::shareDenyNone, true },
        { W | CFile::shareDenyRead, W | CFile::shareDenyRead, true },
        { RW | CFile::shareDenyNone, RW | CFile::shareDenyNone, true },
        { R, R | CFile::shareDenyNone, false }, // no share bits: exclusive
        { R | CFile::shareDenyNone, R, false },
    };
    for (const SharePair &p : pairs) {
        CFile first(path.c_str(), p.first);
        const int cause = thrownCause([&] { CFile second(path.c_str(), p.second); });
        EXPECT_EQ(cause, p.allowed ? -1 : CFileException::sharingViolation)
            << std::hex << "first 0x" << p.first << " second 0x" << p.second;
    }
    // Once the first is closed, the file is free again.
    CFile exclusive(path.c_str(), CFile::modeReadWrite | CFile::shareExclusive);
}

TEST(FileShareModes, RefusedCreateDoesNotTruncate)
{
    TempDir dir;
    const std::string path = dir.file("keep.bin");
    dir.write("keep.bin", "precious");
    CFile holder(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    EXPECT_EQ(thrownCause([&] {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::shareDenyNone);
    }),
        CFileException::sharingViolation);
    EXPECT_EQ(dir.read("keep.bin"), "precious");
}

TEST(FileShareModes, AnotherProcessIsRefused)
{
    TempDir dir;
    const std::string path = dir.file("proc.bin");
    dir.write("proc.bin", "data");
    CFile holder(path.c_str(), CFile::modeReadWrite | CFile::shareDenyWrite);

    const auto childOpen = [&](unsigned flags) {
        const pid_t pid = fork();
        if (pid == 0) {
            int code = 0;
            try {
                CFile f(path.c_str(), flags);
            } catch (CException *e) {
                auto *fe = dynamic_cast<CFileException *>(e);
                code = fe && fe->GetCause() == CFileException::sharingViolation ? 1 : 2;
                e->Delete();
            }
            _exit(code);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(childOpen(CFile::modeWrite | CFile::shareDenyNone), 1);
    EXPECT_EQ(childOpen(CFile::modeRead | CFile::shareDenyWrite), 1); // the holder writes
    EXPECT_EQ(childOpen(CFile::modeRead | CFile::shareDenyNone), 0);
    holder.Close();
    EXPECT_EQ(childOpen(CFile::modeWrite | CFile::shareDenyNone), 0);
}

TEST(FileOperations, CopyRenameRemove)
{
    TempDir dir;
    dir.write("a.kxo", "outline");
    dir.write("b.kxo", "other");
    const std::string a = dir.file("a.kxo"), b = dir.file("b.kxo"), c = dir.file("c.kxo");

    EXPECT_EQ(
        thrownCause([&] { CFile::Copy(a.c_str(), b.c_str()); }), CFileException::accessDenied);
    EXPECT_EQ(dir.read("b.kxo"), "other");
    CFile::Copy(a.c_str(), c.c_str());
    EXPECT_EQ(dir.read("c.kxo"), "outline");

    EXPECT_EQ(
        thrownCause([&] { CFile::Rename(a.c_str(), b.c_str()); }), CFileException::accessDenied);
    EXPECT_EQ(dir.read("b.kxo"), "other");
    CFile::Remove(c.c_str());
    CFile::Rename(a.c_str(), c.c_str());
    EXPECT_EQ(dir.read("c.kxo"), "outline");
    EXPECT_EQ(thrownCause([&] { CFile::Remove(a.c_str()); }), CFileException::fileNotFound);

    {
        CFile open(c.c_str(), CFile::modeRead | CFile::shareDenyNone);
        EXPECT_EQ(thrownCause([&] { CFile::Remove(c.c_str()); }), CFileException::sharingViolation);
        EXPECT_EQ(thrownCause([&] { CFile::Rename(c.c_str(), a.c_str()); }),
            CFileException::sharingViolation);
    }
    {
        CFile exclusive(c.c_str(), CFile::modeRead | CFile::shareExclusive);
        EXPECT_EQ(thrownCause([&] { CFile::Copy(c.c_str(), a.c_str()); }),
            CFileException::sharingViolation);
    }
    CFile::Remove(c.c_str());
}

TEST(FileOperations, StatusAndCreateFilePath)
{
    TempDir dir;
    dir.write(".hidden.kxo", "12345");
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(dir.file(".hidden.kxo").c_str(), status));
    EXPECT_EQ(status.m_size, 5u);
    EXPECT_EQ(status.m_attribute & CFile::hidden, CFile::hidden);
    EXPECT_EQ(status.m_attribute & CFile::directory, 0);
    EXPECT_GT(status.m_mtime.GetTime(), 0);
    EXPECT_EQ(status.m_szFullName, _String(dir.file(".hidden.kxo")));
    EXPECT_FALSE(CFile::GetStatus(dir.file("none").c_str(), status));

    {
        CFile f(dir.file(".hidden.kxo").c_str(), CFile::modeReadWrite);
        f.SeekToEnd();
        f.Write("678", 3);
        ASSERT_TRUE(f.GetStatus(status));
        EXPECT_EQ(status.m_size, 8u);
    }

    EXPECT_EQ(CFile::CreateFilePath("", "/home/ann", "Outline", ".kxo"),
        _String("/home/ann/Outline.kxo"));
    EXPECT_EQ(
        CFile::CreateFilePath("/home/ann/", "Outline", "kxo"), _String("/home/ann/Outline.kxo"));
    EXPECT_EQ(CFile::CreateFilePath("/home/ann", "Outline.kxo"), _String("/home/ann/Outline.kxo"));
    EXPECT_EQ(CFile::CreateFilePath("", "Outline", ".kxo"), _String("Outline.kxo"));
}

TEST(FileIdentity, TellsARewriteOrAReplacementFromTheSameFile)
{
    TempDir dir;
    const std::string path = dir.file("a.bin");
    dir.write("a.bin", "0123456789");
    const TFileIdentity before = TFileIdentity::OfPath(path.c_str());
    ASSERT_TRUE(before.m_bKnown);
    EXPECT_EQ(before.m_nSize, 10u);
    EXPECT_TRUE(before.SameAs(TFileIdentity::OfPath(path.c_str())));
    {
        CFile file(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
        EXPECT_TRUE(before.SameAs(TFileIdentity::OfHandle(file.GetHandle())));
    }

    // Rewritten in place with as many bytes, its times put back as they
    // were: only the status-change time tells, and it does.
    struct stat st { };
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    WaitForTheFileClock(path);
    {
        CFile file(path.c_str(), CFile::modeReadWrite | CFile::shareDenyNone);
        file.Write("abcdefghij", 10);
        file.Close();
    }
    const struct timespec times[2] = { st.st_atim, st.st_mtim };
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    const TFileIdentity rewritten = TFileIdentity::OfPath(path.c_str());
    EXPECT_EQ(rewritten.m_nInode, before.m_nInode);
    EXPECT_EQ(rewritten.m_nModifiedNsec, before.m_nModifiedNsec);
    EXPECT_FALSE(rewritten.SameAs(before));

    // A copy renamed over it has the same bytes and times but is another file.
    dir.write("b.bin", "abcdefghij");
    ASSERT_EQ(utimensat(AT_FDCWD, dir.file("b.bin").c_str(), times, 0), 0);
    ASSERT_EQ(rename(dir.file("b.bin").c_str(), path.c_str()), 0);
    EXPECT_FALSE(TFileIdentity::OfPath(path.c_str()).SameAs(rewritten));

    // What cannot be asked is the same as nothing, not even as itself.
    const TFileIdentity missing = TFileIdentity::OfPath(dir.file("missing.bin").c_str());
    EXPECT_FALSE(missing.m_bKnown);
    EXPECT_FALSE(missing.SameAs(missing));
    EXPECT_FALSE(TFileIdentity::OfHandle(-1).m_bKnown);
}
