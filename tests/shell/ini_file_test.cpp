#include "talvex/ini_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "talvex/testing/temp_dir.hpp"

namespace talvex {
namespace {

using talvex::testing::TempDir;

const char* const kSample =
    "; comment\r\n"
    "orphan=before any section\r\n"
    "[Network1]\r\n"
    "Node1=1,5,1#a\r\n"
    "  node1 = shadowed\r\n"
    "Node2 =  2,5,0#b  \r\n"
    "\r\n"
    "[ network2 ]\r\n"
    "Node4=4\r\n"
    "[NETWORK1]\r\n"
    "Node9=second copy\r\n";

TEST(IniFileTest, LookupsIgnoreCaseAndTakeTheFirstMatch) {
    const IniFile ini = IniFile::parse(kSample);
    struct Case {
        const char* section;
        const char* key;
        const char* expect;
    };
    const Case cases[] = {
        {"Network1", "Node1", "1,5,1#a"}, {"NETWORK1", "NODE1", "1,5,1#a"}, {"network1", "Node2", "2,5,0#b"},
        {"Network2", "node4", "4"},       {"Network1", "Node9", "<none>"},  // only the first section counts
        {"", "orphan", "<none>"},         {"Network3", "Node1", "<none>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.getString(c.section, c.key, "<none>", kValueReadBuffer, Codepage::Ascii), c.expect)
            << c.section << "/" << c.key;
    EXPECT_EQ(ini.sectionNames(512, Codepage::Ascii), (std::vector<std::string>{"Network1", "network2"}));
    EXPECT_EQ(ini.keyNames("network1", 1536, Codepage::Ascii), (std::vector<std::string>{"Node1", "Node2"}));
    const auto entries = ini.sectionEntries("Network1", 8192, Codepage::Ascii);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 3u);  // the shadowed duplicate is an entry of its own
    EXPECT_EQ((*entries)[1].key, "node1");
    EXPECT_FALSE(ini.sectionEntries("Nope", 8192, Codepage::Ascii).has_value());
}

TEST(IniFileTest, WritesReplaceInPlaceAppendToTheSectionOrAddASectionAtTheEnd) {
    IniFile ini = IniFile::parse("[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
    ini.writeString("a", "X", "10");      // in place, original key spelling kept
    ini.writeString("A", "w", "new");     // after the last entry of A, before the blank line
    ini.writeString("C", "k", "v");       // new section at the end
    ini.writeString("B", "z", "a\r\nb");  // a line break cannot split the entry
    EXPECT_EQ(ini.text(), "[A]\r\nx=10\r\ny=2\r\nw=new\r\n\r\n[B]\r\nz=a  b\r\n[C]\r\nk=v\r\n");
}

TEST(IniFileTest, BuffersCutListsAndValuesLikeFixedSizeBuffers) {
    IniFile ini;
    ini.writeString("S", "k", std::string(200, 'v'));
    ini.writeString("Long-section-name", "a", "1");
    EXPECT_EQ(ini.getString("S", "k", "", kValueReadBuffer, Codepage::Ascii).size(), 127u);
    // A 12-byte list: "S\0" takes 2 and the final NUL 1, leaving 8 bytes and a NUL for the cut name.
    EXPECT_EQ(ini.sectionNames(12, Codepage::Ascii), (std::vector<std::string>{"S", "Long-sec"}));
    EXPECT_EQ(ini.sectionNames(3, Codepage::Ascii), (std::vector<std::string>{"S"}));

    // In GBK a Chinese character takes two bytes; a cut never splits one.
    IniFile zh;
    zh.writeString("网络1", "设备1", "1,5,1#" + std::string("氢") + std::string(125, 'x'));
    const std::string v = zh.getString("网络1", "设备1", "", kValueReadBuffer, Codepage::Gbk);
    EXPECT_EQ(encodedLength(v, Codepage::Gbk), 127u);
    const std::string odd = cutToEncodedBytes("ab氢气", 3, Codepage::Gbk);
    EXPECT_EQ(odd, "ab");
    EXPECT_EQ(cutToEncodedBytes("ab氢气", 4, Codepage::Gbk), "ab氢");
}

TEST(IniFileTest, GbkRoundTripThroughTheFile) {
    TempDir dir;
    IniFile ini;
    ini.writeString("网络1", "设备1", "1,5,1# $传感器ID:@说明");
    ini.writeString("网络1", "设备2", "emoji 😀 and €");  // outside GBK: four-byte GB18030 form
    ASSERT_TRUE(ini.save(dir / "c.ini"));
    const std::string bytes = talvex::testing::readBytes(dir / "c.ini");
    EXPECT_EQ(bytes.substr(0, 8),
              "[\xCD\xF8\xC2\xE7"
              "1]\r");  // 网络 in GBK
    EXPECT_FALSE(isValidUtf8(bytes));
    IniFile::LoadResult r;
    const IniFile back = IniFile::load(dir / "c.ini", &r);
    EXPECT_EQ(r.status, IniFile::LoadStatus::Loaded);
    EXPECT_FALSE(r.lossy);
    EXPECT_EQ(back.value("网络1", "设备1"), "1,5,1# $传感器ID:@说明");
    EXPECT_EQ(back.value("网络1", "设备2"), "emoji 😀 and €");
}

// One encoding per file, never guessed per value or from bytes that happen to be valid UTF-8: GBK,
// unless the file starts with a UTF-8 byte-order mark; a rewrite keeps the file's encoding, and text
// that is not UTF-8 is refused rather than written as something else.
TEST(IniFileTest, AFileHasOneEncodingGbkUnlessMarkedUtf8) {
    TempDir dir;
    const std::string gbk =
        "[\xCD\xF8\xC2\xE7"  // 网络1 = 韦伟 ... 专业为之, all GBK
        "1]\r\nk=\xCE\xA4\xCE\xB0 \xD7\xA8\xD2\xB5\xCE\xAA\xD6\xAE\r\n";
    const std::string marked = std::string(kUtf8Bom) + "[网络1]\r\nk=韦伟 专业为之\r\n";
    const std::string asciiAndGbk = "[Network1]\r\nk=\xCE\xA4\xCE\xB0 \xD7\xA8\xD2\xB5\xCE\xAA\xD6\xAE\r\n";
    struct Case {
        const char* name;
        std::string bytes;
        const char* section;
        IniFile::Encoding encoding;
    };
    for (const Case& c : {Case{"GBK", gbk, "网络1", IniFile::Encoding::Gbk},
                          Case{"GBK that is valid UTF-8", asciiAndGbk, "Network1", IniFile::Encoding::Gbk},
                          Case{"UTF-8 with a mark", marked, "网络1", IniFile::Encoding::Utf8WithBom}}) {
        SCOPED_TRACE(c.name);
        talvex::testing::writeBytes(dir / "c.ini", c.bytes);
        IniFile::LoadResult r;
        IniFile ini = IniFile::load(dir / "c.ini", &r);
        EXPECT_FALSE(r.lossy);
        EXPECT_EQ(ini.encoding(), c.encoding);
        EXPECT_EQ(ini.value(c.section, "k"), "韦伟 专业为之");
        ASSERT_TRUE(ini.save(dir / "c.ini"));
        EXPECT_EQ(talvex::testing::readBytes(dir / "c.ini"), c.bytes);  // written back as it was
        ini.writeString(c.section, "k", "\xCD\xF8");                    // bytes, not UTF-8 text
        std::string error;
        EXPECT_FALSE(ini.save(dir / "c.ini", &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(talvex::testing::readBytes(dir / "c.ini"), c.bytes);
    }
    // A mark saying UTF-8 over bytes that are not: replaced and reported, never reread as GBK.
    talvex::testing::writeBytes(dir / "bad.ini", std::string(kUtf8Bom) + "[a]\r\nk=\xCD\xF8x\r\n");
    IniFile::LoadResult r;
    EXPECT_EQ(IniFile::load(dir / "bad.ini", &r).value("a", "k"), "\xEF\xBF\xBD\xEF\xBF\xBDx");
    EXPECT_TRUE(r.lossy);
}

TEST(IniFileTest, SavingReplacesTheFileWholeOrNotAtAll) {
    TempDir dir;
    const auto file = dir / "Config.ini";
    talvex::testing::writeBytes(file, "[Old]\r\nk=v\r\n");
    IniFile ini = IniFile::load(file);
    ini.writeString("Old", "k", "w");
    ASSERT_TRUE(ini.save(file));
    EXPECT_EQ(talvex::testing::readBytes(file), "[Old]\r\nk=w\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "Config.ini.tmp"));

    // A path that cannot be written (its directory is a plain file) fails and says why.
    talvex::testing::writeBytes(dir / "blocker", "x");
    std::string error;
    EXPECT_FALSE(ini.save(dir / "blocker" / "Config.ini", &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace talvex

namespace talvex {
namespace {

// A channel set frozen with chmod a-w stays as it is; a Config.ini shared through a symlink keeps
// receiving updates; a rewritten file keeps its mode and owner. Each case checks the file's bytes
// and its inode's mode and owner after the save.
TEST(IniFileTest, SavingHonoursReadOnlyFilesSymlinksModeAndOwner) {
    namespace fs = std::filesystem;
    IniFile ini;
    ini.writeString("Network1", "Node1", "new");
    const std::string before = "[Network1]\r\nNode1=old\r\n";
    struct Case {
        const char* name;
        mode_t mode;
        bool viaLink;
        bool saved;
    };
    for (const Case& c :
         {Case{"read-only", 0444, false, false}, Case{"group file", 0640, false, true},
          Case{"through a symlink", 0604, true, true}, Case{"read-only target", 0400, true, false}}) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path real = dir / "shared.ini";
        talvex::testing::writeBytes(real, before);
        ASSERT_EQ(::chmod(real.c_str(), c.mode), 0);
        const bool root = ::geteuid() == 0;
        if (root) {
            ASSERT_EQ(::chown(real.c_str(), 1234, 5678), 0);
        }
        const fs::path path = c.viaLink ? dir / "Config.ini" : real;
        if (c.viaLink) fs::create_symlink("shared.ini", path);
        EXPECT_EQ(IniFile::isReadOnly(path), !c.saved);
        std::string error;
        EXPECT_EQ(ini.save(path, &error), c.saved) << error;
        EXPECT_EQ(talvex::testing::readBytes(real), c.saved ? "[Network1]\r\nNode1=new\r\n" : before);
        EXPECT_EQ(fs::is_symlink(path), c.viaLink);
        struct stat st {};
        ASSERT_EQ(::stat(real.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode);
        if (root) {
            EXPECT_EQ(std::make_pair(st.st_uid, st.st_gid), std::make_pair(uid_t{1234}, gid_t{5678}));
        }
        EXPECT_FALSE(fs::exists(dir / "shared.ini.tmp"));
    }
}

TEST(TextCodecTest, GbkBothWaysWithoutGuessingOrReplacing) {
    struct Case {
        std::string bytes;
        const char* utf8;
        bool lossy;
    };
    const Case cases[] = {
        {"Network1", "Network1", false},
        {"\xCD\xF8\xC2\xE7"
         "1",
         "网络1", false},
        {"\xCE\xA4\xCE\xB0", "韦伟", false},  // valid UTF-8 too ("Τΰ"), GBK all the same
        {"a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b",
         true},                          // not GBK: replaced, flagged
        {"\xCD", "\xEF\xBF\xBD", true},  // a GBK lead byte cut off at the end
    };
    for (const auto& c : cases) {
        const DecodedText d = decodeGbk(c.bytes);
        EXPECT_EQ(d.utf8, c.utf8) << c.utf8;
        EXPECT_EQ(d.lossy, c.lossy) << c.utf8;
    }
    EXPECT_EQ(encodeGbk("网络1"),
              "\xCD\xF8\xC2\xE7"
              "1");
    EXPECT_EQ(encodeGbk("a\xCD\xF8"), std::nullopt);  // not UTF-8: refused, not turned into '?'
    std::size_t bad = 0;
    EXPECT_EQ(decodeGbkStrict("ab\xCD\xF8\xFFz", &bad), std::nullopt);
    EXPECT_EQ(bad, 4u);
    EXPECT_EQ(decodeGbkStrict("\xD6\xAE"), "之");
    EXPECT_EQ(encodedLength("网络1", Codepage::Gbk), 5u);
    EXPECT_EQ(encodedLength("网络1", Codepage::Ascii), 7u);
}

}  // namespace
}  // namespace talvex
