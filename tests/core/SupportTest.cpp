#include "core/support/Encoding.h"
#include "core/support/FileIo.h"
#include "core/support/FlatHashTable.h"
#include "core/support/StringUtils.h"
#include "core/support/TextLines.h"

#include "CoreTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace qv {
namespace {

namespace fs = std::filesystem;

TEST(AppFolder, EndsInExactlyOneSeparator)
{
    EXPECT_EQ(AppFolder("/usr/local/bin/quorvane"), "/usr/local/bin/");
    EXPECT_EQ(AppFolder("/quorvane"), "/");
    EXPECT_EQ(AppFolder("quorvane"), "./");
    EXPECT_EQ(AppFolder("/opt//quorvane"), "/opt/");
    EXPECT_EQ(FolderWithSeparator("/usr/bin"), "/usr/bin/");
    EXPECT_EQ(FolderWithSeparator("/usr/bin/"), "/usr/bin/");
    EXPECT_EQ(FolderWithSeparator("/"), "/");
    EXPECT_EQ(FolderWithSeparator("/"), "/");
    EXPECT_EQ(FolderWithSeparator("") + "dhtml.dat", "./dhtml.dat");
    EXPECT_EQ(FolderWithSeparator("/") + "dhtml.dat", "/dhtml.dat");
}

TEST(CountSubstring, CountsWithoutOverlapAndWithCase)
{
    EXPECT_EQ(CountSubstring("Menu3_2_1", "_"), 2);
    EXPECT_EQ(CountSubstring("Menu1", "_"), 0);
    EXPECT_EQ(CountSubstring("aaaa", "aa"), 2);
    EXPECT_EQ(CountSubstring("aaa", "aa"), 1);
    EXPECT_EQ(CountSubstring("AbAb", "ab"), 0);
    EXPECT_EQ(CountSubstring("anything", ""), 0);
    EXPECT_EQ(CountSubstring("", "x"), 0);
}

// Every entry stays findable as the table grows, also among entries whose hashes collide, and
// Place finds the entry that holds a key instead of adding a second one.
TEST(FlatHashTable, EntriesStayFindableThroughGrowthAndCollisions)
{
    struct Entry
    {
        std::uint64_t key = 0; // 0: empty
        std::uint64_t value = 0;
    };
    struct Traits
    {
        static bool IsEmpty(const Entry& entry) { return entry.key == 0; }
        static std::uint64_t HashOf(const Entry& entry) { return entry.key % 7; }
    };
    const auto holds = [](std::uint64_t key) {
        return [key](const Entry& entry) { return entry.key == key; };
    };
    FlatHashTable<Entry, Traits> table;
    EXPECT_EQ(table.Find(3, holds(3)), nullptr);
    for (std::uint64_t key = 1; key <= 1000; ++key) {
        Entry& entry = table.Place(key % 7, holds(key));
        ASSERT_TRUE(Traits::IsEmpty(entry)) << key;
        entry = Entry{key, key * 2};
    }
    EXPECT_EQ(table.Size(), 1000u);
    for (std::uint64_t key = 1; key <= 1000; ++key) {
        const Entry* found = table.Find(key % 7, holds(key));
        ASSERT_NE(found, nullptr) << key;
        EXPECT_EQ(found->value, key * 2);
    }
    EXPECT_EQ(table.Find(1001 % 7, holds(1001)), nullptr);
    EXPECT_EQ(table.Place(5, holds(5)).value, 10u);
    EXPECT_EQ(table.Size(), 1000u);
    table.Clear();
    EXPECT_TRUE(table.Empty());
    EXPECT_EQ(table.Find(5, holds(5)), nullptr);
}

TEST(NumberParsing, WholeNumbersAndProfileIntegers)
{
    EXPECT_EQ(ParseWholeNumber("-25"), -25);
    EXPECT_EQ(ParseWholeNumber("+7"), 7);
    EXPECT_EQ(ParseWholeNumber("007"), 7);
    EXPECT_EQ(ParseWholeNumber("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseWholeNumber("2147483647"), INT32_MAX);
    for (const char* bad : {"", "-", "+", "1.5", "1,5", " 1", "1 ", "2147483648", "-2147483649",
                            "99999999999999999999", "0x10", "--1"})
        EXPECT_FALSE(ParseWholeNumber(bad).has_value()) << bad;

    EXPECT_EQ(ParseProfileInteger("0x1F"), 31);
    EXPECT_EQ(ParseProfileInteger("0X1f"), 31);
    EXPECT_EQ(ParseProfileInteger("$ff"), 255);
    EXPECT_EQ(ParseProfileInteger("0xFFFFFFFF"), -1);
    EXPECT_EQ(ParseProfileInteger("-17"), -17);
    for (const char* bad : {"0x", "$", "abc", "0x1G", "0x100000000", "$-1", ""})
        EXPECT_FALSE(ParseProfileInteger(bad).has_value()) << bad;
}

TEST(Support, DataSizeText)
{
    const std::vector<std::pair<std::uint64_t, std::string>> sizes = {
        {0, "0 bytes"},
        {1023, "1023 bytes"},
        {1024, "1.0 kB"},
        {1280, "1.3 kB"}, // 1.25: halves round up
        {1048575, "1024.0 kB"},
        {std::uint64_t{64} << 20, "64.0 MB"},
        {150'000'000, "143.1 MB"},
        {std::uint64_t{1} << 62, "4.0 EB"},
        {UINT64_MAX, "8.0 EB"},
    };
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(DataSizeText(bytes), text) << bytes;
}

TEST(ShellErrors, ReasonsAndThreshold)
{
    EXPECT_EQ(ShellErrorMessage(2), "Unable to execute file:\n\nThe specified file was not found.");
    EXPECT_EQ(ShellErrorReason(31),
              "There is no application associated with the given filename extension.");
    EXPECT_EQ(ShellErrorReason(1),
              "An unknown error occurred when trying to load file in associated application.");
    EXPECT_EQ(ShellErrorReason(32), "The specified dynamic-link library was not found.");
    EXPECT_TRUE(IsShellError(32));
    EXPECT_FALSE(IsShellError(33));
    EXPECT_FALSE(IsShellError(42));
    EXPECT_EQ(ShellErrorMessage(33), "");
    // Compared as an unsigned number: a "negative" code is far above 32.
    EXPECT_FALSE(IsShellError(static_cast<std::uint32_t>(-1)));
}

TEST(TextLines, SplitAndJoinFixTheBytes)
{
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(SplitLines("a\n\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(SplitLines("\r\n"), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitLines("\n\r"), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(SplitLines(std::string_view("ab\0cd\n", 6)), (std::vector<std::string>{"ab"}));
    EXPECT_TRUE(SplitLines("").empty());
    EXPECT_EQ(JoinLines({}), "");
    EXPECT_EQ(JoinLines({""}), "\r\n");
    EXPECT_EQ(JoinLines({"A", "Z"}), "A\r\nZ\r\n");
    for (std::string_view text : {"x\ny", "x\r\ny\r\n", "\r\r\n\n", "last", ""})
        EXPECT_EQ(NormaliseLineBreaks(text), JoinLines(SplitLines(text)))
            << text; // Breaks are found wherever they stand, also past runs of bytes looked at
                     // eight at a time.
    for (std::size_t at = 0; at < 20; ++at) {
        const std::string before(at, 'a');
        for (std::string_view lineBreak : {"\r", "\n", "\r\n"})
            EXPECT_EQ(SplitLines(before + std::string(lineBreak) + "bbbbbbbbb"),
                      (std::vector<std::string>{before, "bbbbbbbbb"}))
                << at;
    }
}

TEST(Encoding, Utf8KeptAndWindows1252Converted)
{
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("caf\xE9"));
    // Every overlong form is refused, each just below the first code point of its length.
    for (std::string_view overlong : {"\xC0\xAF", "\xC1\xBF", "\xC0\x80", "\xE0\x80\xAF",
                                      "\xE0\x9F\xBF", "\xF0\x80\x80\xAF", "\xF0\x8F\xBF\xBF"})
        EXPECT_FALSE(IsValidUtf8(overlong))
            << overlong.size() << " bytes, second 0x" << std::hex << (overlong[1] & 0xFF);
    for (std::string_view shortest : {"\xC2\x80", "\xE0\xA0\x80", "\xF0\x90\x80\x80"})
        EXPECT_TRUE(IsValidUtf8(shortest)) << shortest.size() << " bytes";
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));         // cut short
    // Found after a run of ASCII of any length (such runs are passed eight bytes at a time).
    for (std::size_t at = 0; at < 20; ++at) {
        const std::string ascii(at, 'a');
        EXPECT_TRUE(IsValidUtf8(ascii + "\xC3\xA9" + ascii)) << at;
        EXPECT_FALSE(IsValidUtf8(ascii + "\xE9" + ascii)) << at;
        EXPECT_FALSE(IsValidUtf8(ascii + "\xE2\x82")) << at;
        // The converters copy such runs whole and take up each other byte where it stands.
        EXPECT_EQ(Windows1252ToUtf8(ascii + "\xE9\x80" + ascii + "\xFF"),
                  ascii + "\xC3\xA9\xE2\x82\xAC" + ascii + "\xC3\xBF")
            << at;
        EXPECT_EQ(Utf8ToAsciiWithReferences(ascii + "\xC3\xA9" + ascii + "\xE2\x82\xAC"),
                  ascii + "&#233;" + ascii + "&#8364;")
            << at;
    }

    EXPECT_EQ(Windows1252ToUtf8("caf\xE9 \x80 \x93q\x94 \x81"),
              "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D \xC2\x81");
    // The whole 0x80-0x9F block, where Windows-1252 differs from Latin-1; the five bytes it
    // leaves unassigned keep their C1 control code.
    constexpr char32_t kBlock[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    for (int i = 0; i < 32; ++i) {
        const char32_t cp = kBlock[i];
        std::string utf8;
        if (cp < 0x800) {
            utf8 += static_cast<char>(0xC0 | (cp >> 6));
        } else {
            utf8 += static_cast<char>(0xE0 | (cp >> 12));
            utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        }
        utf8 += static_cast<char>(0x80 | (cp & 0x3F));
        EXPECT_EQ(Windows1252ToUtf8(std::string(1, static_cast<char>(0x80 + i))), utf8)
            << "byte 0x" << std::hex << 0x80 + i;
    }

    bool bom = false;
    EXPECT_EQ(DecodeFileText("\xEF\xBB\xBFx=\xC3\xA9", &bom), "x=\xC3\xA9");
    EXPECT_TRUE(bom);
    // One stray byte makes the whole file Windows-1252, the valid sequences included.
    EXPECT_EQ(DecodeFileText("\xC3\xA9\xE9", &bom), "\xC3\x83\xC2\xA9\xC3\xA9");
    EXPECT_FALSE(bom);
}

// Text for pages: characters a page's encoding cannot hold become character references.
TEST(Encoding, CharacterReferences)
{
    const std::string text = "caf\xC3\xA9 \xE2\x82\xAC \xD7\x90 \xF0\x9F\x98\x80 <&>";
    EXPECT_EQ(Utf8ToWindows1252WithReferences(text), "caf\xE9 \x80 &#1488; &#128512; <&>");
    EXPECT_EQ(Utf8ToAsciiWithReferences(text), "caf&#233; &#8364; &#1488; &#128512; <&>");
    EXPECT_EQ(Utf8ToAsciiWithReferences("caf\xE9 \x80"), "caf&#233; &#8364;"); // Windows-1252
    EXPECT_EQ(Utf8ToWindows1252WithReferences("caf\xE9"), "caf\xE9");
}

class AtomicWrite : public test::FolderTest
{
protected:
    std::size_t FilesInDir() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }
};

TEST_F(AtomicWrite, ReplacesContentKeepsModeAndFollowsLinks)
{
    const auto file = PathOf("menu.mnu");
    test::WriteAll(file, "old");
    chmod(file.c_str(), 0640);
    WriteFileAtomically(file, "new content");
    EXPECT_EQ(ReadFileBytes(file), "new content");
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesInDir(), 1u) << "no temporary file left behind";

    const auto link = PathOf("link.mnu");
    fs::create_symlink("menu.mnu", link);
    WriteFileAtomically(link, "through the link");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(file), "through the link");

    const auto created = PathOf("fresh.mnu");
    WriteFileAtomically(created, "");
    EXPECT_TRUE(FileExists(created));
    EXPECT_EQ(ReadFileBytes(created), "");
}

TEST_F(AtomicWrite, EveryFailedStepLeavesTheOldFileAndReportsThePath)
{
    const auto file = PathOf("menu.mnu");
    for (WriteStep failing : {WriteStep::CreateTemporary, WriteStep::Write, WriteStep::Flush,
                              WriteStep::KeepPermissions, WriteStep::Rename}) {
        test::WriteAll(file, "old bytes");
        SetWriteFaultHook([failing](WriteStep step) { return step == failing; });
        try {
            WriteFileAtomically(file, "new bytes");
            ADD_FAILURE() << "step " << static_cast<int>(failing) << " did not fail";
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + file);
        }
        EXPECT_EQ(ReadFileBytes(file), "old bytes");
        EXPECT_EQ(FilesInDir(), 1u);
    }
}

TEST_F(AtomicWrite, RefusesReadOnlyFilesFoldersAndMissingFolders)
{
    const auto file = PathOf("locked.mnu");
    test::WriteAll(file, "keep me");
    chmod(file.c_str(), 0444);
    EXPECT_THROW(WriteFileAtomically(file, "x"), FileError);
    EXPECT_EQ(ReadFileBytes(file), "keep me");

    EXPECT_THROW(WriteFileAtomically(PathOf("missing/new.mnu"), "x"), FileError);
    EXPECT_THROW(WriteFileAtomically(m_dir.string(), "x"), FileError);
    try {
        WriteFileAtomically(PathOf("missing/page.htm"), "x", kCannotCreateFile);
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + PathOf("missing/page.htm"));
    }

    const auto sub = m_dir / "ro";
    fs::create_directories(sub);
    fs::permissions(sub, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(WriteFileAtomically((sub / "x.mnu").string(), "x"), FileError);
    fs::permissions(sub, fs::perms::owner_all);
}

TEST_F(AtomicWrite, ReadingMissingFilesAndFolders)
{
    try {
        ReadFileBytes(PathOf("nope.dat"));
        ADD_FAILURE();
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + PathOf("nope.dat"));
    }
    EXPECT_THROW(ReadFileBytes(m_dir.string()), FileError);
    EXPECT_FALSE(FileExists(m_dir.string()));
    EXPECT_FALSE(FileExists(PathOf("nope.dat")));
}

} // namespace
} // namespace qv
