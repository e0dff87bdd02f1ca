#include <gtest/gtest.h>

#include <string>

#include "paths.h"

TEST(BaseName, IsTheTextAfterTheLastBackslash)
{
    static const struct {
        const char* path;
        const char* base;
    } rows[] = {
        { "C:\\Program Files\\Winamp\\Plugins\\gen_nightfold.dll", "gen_nightfold.dll" },
        { "gen_nightfold.dll", "gen_nightfold.dll" },
        { "C:\\a.b\\plugin", "plugin" },
        { "C:\\dir\\", "" },
        { "\\\\server\\share\\x.dll", "x.dll" },
        { "", "" },
    };
    for (const auto& row : rows)
        EXPECT_STREQ(findBaseName(row.path, NULL), row.base) << row.path;
}

TEST(IniPath, EndsAfterTheLastDotAnywhereInThePath)
{
    static const struct {
        const char* path;
        const char* ini;
    } rows[] = {
        { "C:\\Winamp\\Plugins\\gen_nightfold.dll", "C:\\Winamp\\Plugins\\gen_nightfold.ini" },
        { "C:\\Winamp\\Plugins\\gen.night.fold.dll", "C:\\Winamp\\Plugins\\gen.night.fold.ini" },
        { "C:\\my.plugins\\noextension", "C:\\my.ini" },
        { "C:\\plugins\\nodot", "ini" },
        { "gen_nightfold.dll", "gen_nightfold.ini" },
        { "trailing.", "trailing.ini" },
        { "", "ini" },
    };
    for (const auto& row : rows) {
        char out[260] = "garbage";
        EXPECT_TRUE(deriveIniPath(row.path, out, sizeof out)) << row.path;
        EXPECT_STREQ(out, row.ini) << row.path;
    }
}

TEST(IniPath, RefusesAPathThatWouldNotFitWhole)
{
    // stem length + "ini" + NUL against a 260-byte buffer
    static const struct {
        size_t stemLength;  // characters up to and including the dot
        bool fits;
    } rows[] = {
        { 4, true }, { 256, true }, { 257, false }, { 259, false },
    };
    for (const auto& row : rows) {
        std::string path = "C:\\" + std::string(row.stemLength - 4, 'a') + ".dll";
        ASSERT_EQ(path.rfind('.') + 1, row.stemLength);
        char out[260];
        memset(out, 'z', sizeof out);
        EXPECT_EQ(deriveIniPath(path.c_str(), out, sizeof out), row.fits) << row.stemLength;
        if (row.fits) {
            EXPECT_EQ(strlen(out), row.stemLength + 3);
            EXPECT_EQ(std::string(out).substr(row.stemLength), "ini");
        } else {
            EXPECT_STREQ(out, "");
        }
    }
}

TEST(Description, IsCutAt63CharactersAndTerminated)
{
    static const struct {
        std::string base;
        std::string description;
    } rows[] = {
        { "gen_nightfold.dll", "Nightfold v2.0 [gen_nightfold.dll]" },
        { "", "Nightfold v2.0 []" },
        // 16 characters of prefix, 46 of name and the bracket make 63
        { std::string(46, 'n'), "Nightfold v2.0 [" + std::string(46, 'n') + "]" },
        { std::string(47, 'n'), "Nightfold v2.0 [" + std::string(47, 'n') },
        { std::string(259, 'n'), "Nightfold v2.0 [" + std::string(47, 'n') },
    };
    for (const auto& row : rows) {
        char out[64 + 8];
        memset(out, 'z', sizeof out);
        formatDescription(row.base.c_str(), out, 64);
        EXPECT_EQ(std::string(out), row.description);
        EXPECT_EQ(out[64], 'z') << "wrote past the buffer";
    }
}

TEST(CopyBounded, KeepsWithinTheBufferAndTells)
{
    static const struct {
        const char* src;
        size_t size;
        const char* out;
        bool whole;
    } rows[] = {
        { "abc", 4, "abc", true },
        { "abcd", 4, "abc", false },
        { "", 1, "", true },
        { "a", 1, "", false },
    };
    for (const auto& row : rows) {
        char out[8];
        memset(out, 'z', sizeof out);
        EXPECT_EQ(copyBounded(row.src, out, row.size), row.whole) << row.src;
        EXPECT_STREQ(out, row.out);
        EXPECT_EQ(out[row.size], 'z');
    }
}

// The lead bytes of the Japanese (932) and Simplified Chinese (936) code
// pages, as Windows tells them.
static bool isLeadByte932(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

static bool isLeadByte936(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

// The player's answer (a folder, or a number that is none), whether the
// file beside the module takes a write and whether the player's folder
// holds the file: the file read, the file written.
TEST(SettingsFile, ThePlayersFolderWhereItHoldsTheFileOrTheOneBesideCannotBeWritten)
{
    const SettingsPlace B = PLACE_BESIDE, P = PLACE_PLAYER, N = PLACE_NONE;
    static const std::string fits(233, 'f'), tooLong(234, 'f');
    static const struct {
        const char* folder;  // NULL: the number answered
        uintptr_t number;
        bool besideWritable, playerFile;
        SettingsPlace read, written;
        const char* path;  // in the player's folder; "" none
        LeadByteTest lead;  // the ANSI code page's; NULL: one byte a character
    } rows[] = {
        { NULL, 0, true, false, B, B, "" },
        { NULL, 0, false, false, B, N, "" },
        { NULL, 1, true, false, B, B, "" },
        { NULL, 1, false, false, B, N, "" },
        { NULL, 65535, false, false, B, N, "" },
        { "C:\\Users\\Ann\\AppData\\Roaming\\Winamp", 0, true, false, B, B,
          "C:\\Users\\Ann\\AppData\\Roaming\\Winamp\\Plugins\\gen_nightfold.ini" },
        { "C:\\Winamp\\", 0, false, false, B, P, "C:\\Winamp\\Plugins\\gen_nightfold.ini" },
        { "D:\\ini", 0, true, true, P, P, "D:\\ini\\Plugins\\gen_nightfold.ini" },
        { "D:\\ini", 0, false, true, P, P, "D:\\ini\\Plugins\\gen_nightfold.ini" },
        { "", 0, false, false, B, N, "" },
        { fits.c_str(), 0, false, false, B, P, nullptr },
        { tooLong.c_str(), 0, false, false, B, N, "" },
        // Folders ending in Shift-JIS 表 (95 5C), in a real backslash after it,
        // and in GBK 乗 (81 5C).
        { "C:\\user\x95\x5C", 0, false, false, B, P, "C:\\user\x95\x5C\\Plugins\\gen_nightfold.ini", isLeadByte932 },
        { "C:\\user\x95\x5C\\", 0, false, false, B, P, "C:\\user\x95\x5C\\Plugins\\gen_nightfold.ini", isLeadByte932 },
        { "C:\\\x81\x5C", 0, false, false, B, P, "C:\\\x81\x5C\\Plugins\\gen_nightfold.ini", isLeadByte936 },
    };
    for (const auto& row : rows) {
        std::string expected = row.path ? row.path : fits + "\\Plugins\\gen_nightfold.ini";
        uintptr_t answer = row.folder ? (uintptr_t)row.folder : row.number;
        char out[260];
        bool folder = derivePlayerIniPath(answer, "gen_nightfold.ini", row.lead, out, sizeof out);
        EXPECT_EQ(std::string(out), expected) << answer;
        // The same in Unicode, which has no lead bytes.
        std::string narrowFolder = row.folder ? row.folder : "";
        std::wstring wideFolder(narrowFolder.begin(), narrowFolder.end());
        wchar_t wideOut[260];
        if (!row.lead) {
            EXPECT_EQ(derivePlayerIniPath(row.folder ? (uintptr_t)wideFolder.c_str() : row.number,
                                          L"gen_nightfold.ini", wideOut, 260),
                      folder);
            EXPECT_EQ(std::wstring(wideOut), std::wstring(expected.begin(), expected.end())) << answer;
        }
        SettingsPlace read = settingsFileRead(folder && row.playerFile);
        EXPECT_EQ(read, row.read) << expected;
        EXPECT_EQ(settingsFileWritten(read, read == P || row.besideWritable, folder), row.written) << expected;
    }
}
