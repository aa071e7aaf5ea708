#include "kx_gen/DBVariant.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace kx_gen;

TEST(DBVariant, EachTypeHasItsSizeAndTextForm)
{
    const struct {
        CDBVariant value;
        std::uint16_t type;
        std::int32_t size;
        const char *text;
    } cases[] = {
        { CDBVariant(), 0, 0, "" },
        { CDBVariant(std::int16_t(-5)), 1, 2, "short -5" },
        { CDBVariant(std::uint16_t(65535)), 2, 2, "unsigned short 65535" },
        { CDBVariant(std::int32_t(-70000)), 3, 4, "long -70000" },
        { CDBVariant(std::uint32_t(70000)), 4, 4, "unsigned long 70000" },
        { CDBVariant(2.5), 5, 8, "double      2.500" },
        { CDBVariant(true), 6, 1, "bool true" },
        { CDBVariant(false), 6, 1, "bool false" },
        { CDBVariant("abc"), 7, 3, "String abc" },
        { CDBVariant("xy", 2), 8, 2, "Binary size = 2" },
        { CDBVariant('q'), 9, 1, "char q" },
        { CDBVariant(static_cast<unsigned char>('r')), 10, 1, "unsigned char r" },
        { CDBVariant(TTime { 86400 }), 11, 4, "Date time = 86400" },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.value.GetType(), c.type) << c.text;
        EXPECT_EQ(c.value.GetSize(), c.size) << c.text;
        EXPECT_EQ(c.value.ConvertToString(), c.text);
    }
}

TEST(DBVariant, ConversionsAndAssignments)
{
    CDBVariant v(std::int32_t(300));
    EXPECT_EQ(static_cast<std::uint16_t>(v), 300);
    EXPECT_DOUBLE_EQ(static_cast<double>(v), 300.0);
    EXPECT_TRUE(static_cast<bool>(v));
    EXPECT_EQ(static_cast<TTime>(v).time, 300);

    v = "text";
    EXPECT_EQ(v.GetType(), CDBVariant::typeString);
    EXPECT_EQ(v.GetString(), "text");
    EXPECT_FALSE(static_cast<bool>(v));

    v = TTime { 42 };
    EXPECT_EQ(v.GetType(), CDBVariant::typeDateTime);
    EXPECT_EQ(static_cast<TTime>(v).time, 42);

    CDBVariant huge(1e300);
    EXPECT_EQ(static_cast<std::uint16_t>(huge), 0); // no integer value

    CDBVariant s("copy me");
    CDBVariant t;
    t = s;
    s = "changed";
    EXPECT_EQ(t.GetString(), "copy me");
    const CDBVariant &self = t;
    t = self;
    EXPECT_EQ(t.GetString(), "copy me");
}

TEST(DBVariant, BinaryBlocksAreCopiedAttachedAndEmptied)
{
    const char bytes[] = { 1, 2, 3 };
    CDBVariant b(bytes, 3);
    EXPECT_NE(b.GetBinary(), static_cast<const void *>(bytes));
    EXPECT_EQ(std::memcmp(b.GetBinary(), bytes, 3), 0);
    CDBVariant copy(b);
    EXPECT_NE(copy.GetBinary(), b.GetBinary());

    void *block = std::malloc(10);
    b.AttachBinaryObj(block, 10);
    EXPECT_EQ(b.GetBinary(), block);
    EXPECT_EQ(b.GetSize(), 10);

    b.SetEmpty();
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.GetType(), CDBVariant::typeBinary);
    CDBVariant s("x");
    s.SetEmpty();
    EXPECT_EQ(s.GetType(), CDBVariant::typeBinary);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(CDBVariant("").IsEmpty());
}
