// The ZIP container: what the writer makes is read back by our reader and
// accepted by unzip; damaged and hostile archives are refused with a message
// and never read out of bounds.
#include "DocbridgeError.h"
#include "ZipArchive.h"

#include "DocbridgeTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using docbridge::CDocbridgeError;
using docbridge::CZipReader;
using docbridge::CZipWriter;
using docbridge::TZipLimits;

namespace {

std::string sampleArchive()
{
    CZipWriter zip;
    zip.AddEntry("[Content_Types].xml", "<Types/>");
    zip.AddEntry("word/document.xml", std::string(5000, 'a') + "<w:document/>");
    zip.AddEntry("stored.bin", "plain bytes", false);
    zip.AddEntry("empty", "");
    return zip.Finish();
}

const std::uint8_t *bytes(const std::string &s)
{
    return reinterpret_cast<const std::uint8_t *>(s.data());
}

std::uint32_t get32(const std::string &s, std::size_t at)
{
    std::uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

void put32(std::string &s, std::size_t at, std::uint32_t v)
{
    std::memcpy(s.data() + at, &v, 4);
}

void put16(std::string &s, std::size_t at, std::uint16_t v)
{
    std::memcpy(s.data() + at, &v, 2);
}

// Offset of the central directory (from the end record, no comment).
std::size_t directoryOffset(const std::string &zip)
{
    return get32(zip, zip.size() - 22 + 16);
}

// Reads every entry; returns the error text, or "" when all were read.
std::string readAll(const std::string &zip, TZipLimits limits = {})
{
    try {
        CZipReader reader(bytes(zip), zip.size(), limits);
        for (const auto &entry : reader.Entries())
            reader.Extract(entry);
        return "";
    } catch (const CDocbridgeError &e) {
        return e.what();
    }
}

} // namespace

TEST(ZipArchive, ReadsBackStoredAndDeflatedEntries)
{
    const std::string zip = sampleArchive();
    CZipReader reader(bytes(zip), zip.size());
    ASSERT_EQ(reader.Entries().size(), 4u);
    EXPECT_EQ(reader.Extract(*reader.Find("[Content_Types].xml")), "<Types/>");
    const auto *document = reader.Find("word/document.xml");
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->m_nMethod, 8);
    EXPECT_LT(document->m_nCompressed, document->m_nSize);
    EXPECT_EQ(reader.Extract(*document), std::string(5000, 'a') + "<w:document/>");
    EXPECT_EQ(reader.Find("stored.bin")->m_nMethod, 0);
    EXPECT_EQ(reader.Extract(*reader.Find("STORED.BIN")), "plain bytes"); // part names ignore case
    EXPECT_EQ(reader.Extract(*reader.Find("empty")), "");
    EXPECT_EQ(reader.Find("missing"), nullptr);
}

TEST(ZipArchive, UnzipAcceptsWhatTheWriterMakes)
{
    doctest::RequireTool("unzip -v");
    doctest::CTempDir dir;
    doctest::WriteFile(dir.File("a.zip"), sampleArchive());
    const auto test = doctest::Run("unzip -t " + doctest::Quote(dir.File("a.zip")) + " 2>&1");
    EXPECT_EQ(test.m_nExit, 0) << test.m_strOutput;
    EXPECT_NE(test.m_strOutput.find("No errors detected"), std::string::npos) << test.m_strOutput;
    const auto list = doctest::Run("unzip -Z1 " + doctest::Quote(dir.File("a.zip")));
    EXPECT_EQ(list.m_strOutput, "[Content_Types].xml\nword/document.xml\nstored.bin\nempty\n");
}

TEST(ZipArchive, RefusesWhatIsNoArchive)
{
    EXPECT_NE(readAll(""), "");
    EXPECT_NE(readAll("PK"), "");
    EXPECT_NE(readAll(std::string(100, 'x')).find("not a ZIP archive"), std::string::npos);
    // An end record whose comment length does not reach the end of the file.
    std::string zip = sampleArchive();
    put16(zip, zip.size() - 2, 5);
    EXPECT_NE(readAll(zip), "");
}

TEST(ZipArchive, EveryTruncationIsRefused)
{
    const std::string zip = sampleArchive();
    for (std::size_t length = 0; length < zip.size(); ++length)
        EXPECT_NE(readAll(zip.substr(0, length)), "") << "length " << length;
}

TEST(ZipArchive, FlippedBytesAreRefusedOrReadCorrectly)
{
    const std::string original = sampleArchive();
    CZipReader good(bytes(original), original.size());
    for (std::size_t at = 0; at < original.size(); ++at) {
        std::string zip = original;
        zip[at] = static_cast<char>(zip[at] ^ 0x5a);
        try {
            CZipReader reader(bytes(zip), zip.size());
            for (const auto &entry : reader.Entries()) {
                const std::string data = reader.Extract(entry);
                // Whatever is read under a known name is what was written:
                // the checksum catches damaged data.
                const auto *known = good.Find(entry.m_strName);
                if (known && known->m_strName == entry.m_strName) {
                    EXPECT_EQ(data, good.Extract(*known)) << "flip at " << at;
                }
            }
        } catch (const CDocbridgeError &) {
        }
    }
}

TEST(ZipArchive, RefusesHostileDirectories)
{
    const std::string original = sampleArchive();
    const std::size_t cd = directoryOffset(original);
    const std::size_t end = original.size() - 22;

    std::string zip = original;
    put32(zip, end + 16, static_cast<std::uint32_t>(original.size())); // directory past the end
    EXPECT_NE(readAll(zip).find("damaged"), std::string::npos);

    zip = original;
    put16(zip, end + 8, 60000); // more entries than the directory holds
    put16(zip, end + 10, 60000);
    EXPECT_NE(readAll(zip), "");

    zip = original;
    put32(zip, cd + 42, 0x7fffffff); // local header far outside the file
    EXPECT_NE(readAll(zip).find("damaged"), std::string::npos);

    zip = original;
    put16(zip, cd + 8, 1); // encrypted
    EXPECT_NE(readAll(zip).find("encrypted"), std::string::npos);

    zip = original;
    put16(zip, cd + 10, 12); // bzip2
    EXPECT_NE(readAll(zip).find("compression method"), std::string::npos);

    // Two entries of the same name: which one counts would be ambiguous.
    CZipWriter twice;
    twice.AddEntry("word/document.xml", "a");
    twice.AddEntry("word/document.xml", "b");
    EXPECT_NE(readAll(twice.Finish()).find("same name"), std::string::npos);
}

TEST(ZipArchive, RefusesDecompressionBombs)
{
    CZipWriter writer;
    writer.AddEntry("zeros", std::string(4u << 20, '\0'));
    const std::string zip = writer.Finish();

    // Tightly packed data is refused before it is unpacked.
    TZipLimits strict;
    strict.m_nMaxRatio = 50;
    EXPECT_NE(readAll(zip, strict).find("suspiciously"), std::string::npos);

    // A stated size above the limit is refused.
    TZipLimits small;
    small.m_nMaxEntrySize = 1u << 20;
    EXPECT_NE(readAll(zip, small).find("too large"), std::string::npos);
    TZipLimits total;
    total.m_nMaxTotalSize = 1u << 20;
    EXPECT_NE(readAll(zip, total).find("too large"), std::string::npos);

    // A stream that produces more than its entry states is cut off and
    // refused, never written past the stated size.
    std::string lying = zip;
    const std::size_t cd = directoryOffset(zip);
    put32(lying, cd + 24, 1000);
    TZipLimits lenient;
    lenient.m_nMaxRatio = 1u << 30;
    EXPECT_NE(readAll(lying, lenient).find("broken"), std::string::npos);
    EXPECT_EQ(readAll(zip, lenient), "");

    // 4 MiB of zeros pack over a thousand to one: refused by default.
    EXPECT_NE(readAll(zip).find("suspiciously"), std::string::npos);
}

TEST(ZipArchive, RefusesChecksumMismatch)
{
    std::string zip = sampleArchive();
    const std::size_t at = zip.find("plain bytes");
    ASSERT_NE(at, std::string::npos);
    zip[at] = 'P';
    EXPECT_NE(readAll(zip).find("checksum"), std::string::npos);
}
