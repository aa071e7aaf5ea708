#include "TempDir.h"
#include "Thrown.h"

#include "kx_gen/BaseObject.h"
#include "kx_gen/Exception.h"
#include "kx_gen/FileStream.h"

#include <gtest/gtest.h>

using namespace kx_gen;

namespace {

using corvale_test::thrownMessage;

class Point : public CBaseObject {
public:
    std::int16_t x = 0;
    std::int16_t y = 0;
    _String name;
    void Read(CFileStream &s) override { s >> x >> y >> name; }
    void Write(CFileStream &s) const override { s << x << y << name; }
};

} // namespace

TEST(FileStreamBytes, ValuesAreLittleEndianAndByteExact)
{
    TempDir dir;
    const std::string path = dir.file("s.bin");
    {
        CFileStream s;
        s.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        s << true << 'A' << std::uint8_t(0xFE) << std::uint16_t(0x1234) << std::int16_t(-2)
          << std::uint32_t(0x89ABCDEF) << std::int32_t(-3) << 1.0 << _String("hi") << _String();
        s.Close();
    }
    const std::string expected("\x01"
                               "A"
                               "\xFE"
                               "\x34\x12"
                               "\xFE\xFF"
                               "\xEF\xCD\xAB\x89"
                               "\xFD\xFF\xFF\xFF"
                               "\x00\x00\x00\x00\x00\x00\xF0\x3F"
                               "\xFF\xFF\x00\x00\x02\x00\x00\x00"
                               "hi"
                               "\xFF\xFF\x00\x00\x00\x00\x00\x00",
        1 + 1 + 1 + 2 + 2 + 4 + 4 + 8 + 10 + 8);
    EXPECT_EQ(dir.read("s.bin"), expected);

    CFileStream s;
    s.Open(path.c_str(), CFile::modeRead);
    bool b = false;
    char c = 0;
    std::uint8_t u8 = 0;
    std::uint16_t u16 = 0;
    std::int16_t i16 = 0;
    std::uint32_t u32 = 0;
    std::int32_t i32 = 0;
    double d = 0;
    _String str, empty("x");
    s >> b >> c >> u8 >> u16 >> i16 >> u32 >> i32 >> d >> str >> empty;
    EXPECT_TRUE(b);
    EXPECT_EQ(c, 'A');
    EXPECT_EQ(u8, 0xFE);
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(i16, -2);
    EXPECT_EQ(u32, 0x89ABCDEFu);
    EXPECT_EQ(i32, -3);
    EXPECT_EQ(d, 1.0);
    EXPECT_EQ(str, _String("hi"));
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(thrownMessage([&] { s >> u8; }), kMsgFileReadError);
}

TEST(FileStreamStrings, DamagedStringsAreRefusedBeforeAllocating)
{
    TempDir dir;
    // A length of 4 GB with two bytes behind it: refused, not allocated.
    dir.write("long.bin",
        std::string("\xFF\xFF\x00\x00\xFF\xFF\xFF\xFF"
                    "ab",
            10));
    dir.write("marker.bin",
        std::string("\xFE\xFF\x00\x00\x01\x00\x00\x00"
                    "a",
            9));
    dir.write("short.bin",
        std::string("\xFF\xFF\x00\x00\x03\x00\x00\x00"
                    "ab",
            10));
    _String s;
    for (const char *name : { "long.bin", "short.bin" }) {
        CFileStream in;
        in.Open(dir.file(name).c_str(), CFile::modeRead);
        EXPECT_EQ(thrownMessage([&] { in >> s; }), kMsgFileReadError) << name;
    }
    CFileStream in;
    in.Open(dir.file("marker.bin").c_str(), CFile::modeRead);
    EXPECT_EQ(thrownMessage([&] { in >> s; }), kMsgDataCorruption);
}

TEST(FileStreamObjects, BaseObjectOperatorsCallReadAndWrite)
{
    TempDir dir;
    const std::string path = dir.file("p.bin");
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
    {
        CFileStream out(&file);
        Point p;
        p.x = 3;
        p.y = -4;
        p.name = "corner";
        out << p;
        EXPECT_EQ(out.Detach(), &file);
    }
    EXPECT_TRUE(file.IsOpen()); // a caller's file outlives the stream
    file.SeekToBegin();
    CFileStream in;
    in.Attach(&file);
    Point q;
    in >> q;
    EXPECT_EQ(q.x, 3);
    EXPECT_EQ(q.y, -4);
    EXPECT_EQ(q.name, _String("corner"));
    in.Close();
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.GetLength(), 2u + 2u + 8u + 6u);
}

TEST(FileStreamOwnership, WithoutAFileOperationsThrow)
{
    CFileStream s;
    EXPECT_FALSE(s.IsOpen());
    std::uint8_t v = 0;
    for (int write = 0; write < 2; ++write) {
        try {
            if (write)
                s << v;
            else
                s >> v;
            ADD_FAILURE() << "no file: the operation must throw";
        } catch (CException *e) {
            ExceptionHolder h(e);
            auto *fe = dynamic_cast<CFileException *>(e);
            ASSERT_NE(fe, nullptr);
            EXPECT_EQ(fe->GetCause(), CFileException::invalidFile);
        }
    }
    CFileStream owning(new CFile, true); // deleted with the stream
    EXPECT_FALSE(owning.IsOpen());
}

TEST(FileStreamOpens, EachOpenHasItsOwnSerialAndTheIdentityOfWhatItOpened)
{
    TempDir dir;
    dir.write("a.bin", "abc");
    dir.write("b.bin", "xyz");
    const std::string a = dir.file("a.bin");
    CFileStream s;
    EXPECT_EQ(s.GetOpenSerial(), 0u);
    EXPECT_FALSE(s.GetOpenedIdentity().m_bKnown);

    s.Open(a.c_str(), CFile::modeRead | CFile::shareDenyNone);
    const std::uint32_t first = s.GetOpenSerial();
    EXPECT_NE(first, 0u);
    EXPECT_TRUE(s.GetOpenedIdentity().SameAs(TFileIdentity::OfPath(a.c_str())));
    s.Close();
    // Both stay for whoever asks after the work is done.
    EXPECT_EQ(s.GetOpenSerial(), first);
    EXPECT_TRUE(s.GetOpenedIdentity().SameAs(TFileIdentity::OfPath(a.c_str())));

    // The same file opened again is another open; another file is another file.
    s.Open(a.c_str(), CFile::modeRead | CFile::shareDenyNone);
    EXPECT_NE(s.GetOpenSerial(), first);
    EXPECT_TRUE(s.GetOpenedIdentity().SameAs(TFileIdentity::OfPath(a.c_str())));
    CFileStream t;
    t.Open(dir.file("b.bin").c_str(), CFile::modeRead | CFile::shareDenyNone);
    EXPECT_NE(t.GetOpenSerial(), s.GetOpenSerial());
    EXPECT_FALSE(t.GetOpenedIdentity().SameAs(s.GetOpenedIdentity()));

    // A file handed over counts as an open too.
    CFile file(a.c_str(), CFile::modeRead | CFile::shareDenyNone);
    const std::uint32_t before = t.GetOpenSerial();
    t.Attach(&file);
    EXPECT_NE(t.GetOpenSerial(), before);
    EXPECT_TRUE(t.GetOpenedIdentity().SameAs(TFileIdentity::OfPath(a.c_str())));
    t.Detach();
}
