#include "kx_gen/Exception.h"
#include "kx_gen/Memory.h"
#include "kx_gen/String.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using namespace kx_gen;

TEST(StringLineEnds, PalmToPlatformAndBack)
{
    _String s("a\nb");
    s.palmToPlatform();
    EXPECT_EQ(s.str(), "a\r\nb");

    _String t("a\r\nb\r");
    t.platformToPalm();
    EXPECT_EQ(t.str(), "a\nb");

    _String none("abc");
    none.palmToPlatform();
    EXPECT_EQ(none.str(), "abc");
}

TEST(StringCodePage, UnicodeRoundTripsThroughWindows1252)
{
    const char16_t text[] = u"\u20AC caf\u00E9 \u2014 \u017D";
    _String s;
    s.AssignUnicode(text);
    EXPECT_EQ(s.str(), "\x80 caf\xE9 \x97 \x8E");
    EXPECT_EQ(s.ToUnicode(), std::u16string(text));
}

TEST(StringCodePage, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    _String s;
    s.AssignUnicode(u"a\u4E2Db\U0001F600c");
    EXPECT_EQ(s.str(), "a?b?c");

    _String counted;
    counted.AssignUnicode(u"abcdef", 3);
    EXPECT_EQ(counted.str(), "abc");

    unsigned char byte = 0;
    EXPECT_FALSE(UnicodeToWindows1252(u'\u4E2D', &byte));
    EXPECT_TRUE(UnicodeToWindows1252(u'\u0081', &byte));
    EXPECT_EQ(byte, 0x81);
}

TEST(StringFormat, FormatsAndCutsAtTheBufferSize)
{
    _String s;
    s.FormatString("%s%s%s-%d%s", "/d/", "", "Outli", 1, ".kxo");
    EXPECT_EQ(s.str(), "/d/Outli-1.kxo");

    std::string longText(_String::kFormatBufferSize * 2, 'x');
    s.FormatString("%s", longText.c_str());
    EXPECT_EQ(s.size(), _String::kFormatBufferSize - 1);
}

TEST(StringTrim, TrimsBlanksAtEitherEnd)
{
    _String s("  a b  ");
    s.Trim();
    EXPECT_EQ(s.str(), "a b");
}

TEST(LibraryMessages, TextsAndErrorNumbers)
{
    EXPECT_EQ(LoadLibraryString(13).str(),
              "The db check code is different. This is not a .kxo file. Perhaps you renamed it "
              "from a .kxo.pdb file? That won't work. ");
    EXPECT_EQ(LibraryErrorNumber(13), 12);
    EXPECT_EQ(LibraryErrorNumber(20), 19);
    EXPECT_EQ(LibraryErrorNumber(15), -1);
    EXPECT_TRUE(LoadLibraryString(26).IsEmpty());
    EXPECT_TRUE(LoadLibraryString(0).IsEmpty());
}

TEST(LibraryMessages, ThrownExceptionsCarryTextAndNumber)
{
    try {
        ThrowDBException(kMsgCheckCodeDifferent);
        FAIL() << "no exception";
    } catch (CException *e) {
        ExceptionHolder hold(e);
        EXPECT_NE(dynamic_cast<CDBException *>(e), nullptr);
        EXPECT_EQ(e->GetErrorNumber(), 12);
        EXPECT_EQ(e->GetStringId(), 13u);
    }

    CException empty("", -1);
    EXPECT_EQ(empty.GetDescription().str(), "Unknown exception");
}

TEST(FileExceptions, CausesFromWindowsAndPosixErrors)
{
    EXPECT_EQ(CFileException::OsErrorToException(2), CFileException::fileNotFound);
    EXPECT_EQ(CFileException::OsErrorToException(124), CFileException::badPath);
    EXPECT_EQ(CFileException::OsErrorToException(32), CFileException::sharingViolation);
    EXPECT_EQ(CFileException::OsErrorToException(112), CFileException::diskFull);
    EXPECT_EQ(CFileException::OsErrorToException(62), CFileException::directoryFull);
    EXPECT_EQ(CFileException::OsErrorToException(12345), CFileException::generic);

    CFileException notFound(CFileException::ErrnoToException(ENOENT), ENOENT, "x.kxo");
    EXPECT_EQ(notFound.GetDescription().str(), "fileNotFound");
    CFileException generic(CFileException::generic, EPROTO, "x.kxo");
    EXPECT_EQ(generic.GetDescription().str(), std::strerror(EPROTO));
    EXPECT_STREQ(CFileException::CauseName(99), "unknown");
}

TEST(MemoryBlocks, AllocateGrowDuplicate)
{
    MemHolder block(MemAlloc(4));
    ASSERT_TRUE(block);
    auto *p = static_cast<unsigned char *>(MemGetPtr(block.get()));
    EXPECT_EQ(p[0] | p[1] | p[2] | p[3], 0);
    p[0] = 7;
    MemReleasePtr(block.get());

    ASSERT_EQ(MemRealloc(block.get(), 100), block.get());
    EXPECT_EQ(MemGetSize(block.get()), 100u);
    p = static_cast<unsigned char *>(MemGetPtr(block.get()));
    EXPECT_EQ(p[0], 7);
    EXPECT_EQ(p[99], 0);
    MemReleasePtr(block.get());

    MemHolder copy(MemDuplicate(block.get()));
    ASSERT_TRUE(copy);
    EXPECT_EQ(MemGetSize(copy.get()), 100u);
    EXPECT_EQ(static_cast<unsigned char *>(MemGetPtr(copy.get()))[0], 7);
    MemReleasePtr(copy.get());
    EXPECT_EQ(MemDuplicate(nullptr), nullptr);
}
