// File names as a hidden file carries them, made safe to create on Linux
// and on Windows.
#include "files/safe_file_name.h"

#include <gtest/gtest.h>

#include <string>

namespace veil::test {
namespace {

TEST(SafeFileNameTest, OrdinaryNamesStayAsTheyAre) {
  for (const char* name : {"backup.tar.gz", "photo.jpeg", "a.7z", "Makefile.am", "report.docx", "Makefile",
                           "my holiday notes.txt", "報告書 2026.pdf", ".profile", "naïve café.odt", "CONSOLE.txt",
                           "COM10", "LPT0.log", "x...y", "a b"})
    EXPECT_EQ(SafeFileName(name), name);
}

TEST(SafeFileNameTest, OnlyTheLastPathComponentIsKept) {
  EXPECT_EQ(SafeFileName("../../x"), "x");
  EXPECT_EQ(SafeFileName("/etc/passwd"), "passwd");
  EXPECT_EQ(SafeFileName("C:\\Windows\\x.dll"), "x.dll");
  EXPECT_EQ(SafeFileName("C:\\x"), "x");
  EXPECT_EQ(SafeFileName("dir/sub\\name.txt"), "name.txt");
  EXPECT_EQ(SafeFileName("dir/"), "dir");
  EXPECT_EQ(SafeFileName("\\\\server\\share\\f"), "f");
}

TEST(SafeFileNameTest, CharactersWindowsRefusesOrTerminalsObeyBecomeUnderscores) {
  EXPECT_EQ(SafeFileName("a<b>c:d\"e|f?g*h"), "a_b_c_d_e_f_g_h");
  EXPECT_EQ(SafeFileName("C:x"), "C_x");
  EXPECT_EQ(SafeFileName(std::string("a\nb\tc\x1b[31m", 10)), "a_b_c_[31m");
  EXPECT_EQ(SafeFileName(std::string("nul\0byte", 8)), "nul_byte");
  EXPECT_EQ(SafeFileName("del\x7f"), "del_");
  EXPECT_EQ(SafeFileName("c1\xc2\x85"), "c1_");                      // U+0085, NEL
  EXPECT_EQ(SafeFileName("evil\xe2\x80\xaegpj.exe"), "evil_gpj.exe");  // U+202E turns the rest around
  EXPECT_EQ(SafeFileName("iso\xe2\x81\xa6x"), "iso_x");                // U+2066
}

TEST(SafeFileNameTest, BytesThatAreNoUtf8BecomeUnderscores) {
  EXPECT_EQ(SafeFileName("latin1 \xe9t\xe9.txt"), "latin1 _t_.txt");
  EXPECT_EQ(SafeFileName("overlong \xc0\xaf"), "overlong __");
  EXPECT_EQ(SafeFileName("surrogate \xed\xa0\x80"), "surrogate ___");
  EXPECT_EQ(SafeFileName("cut \xe6\x97"), "cut __");
}

TEST(SafeFileNameTest, TrailingDotsAndBlanksAreDropped) {
  EXPECT_EQ(SafeFileName("name."), "name");
  EXPECT_EQ(SafeFileName("name. . "), "name");
  EXPECT_EQ(SafeFileName("notes.txt   "), "notes.txt");
}

TEST(SafeFileNameTest, WindowsDeviceNamesAreLedByAnUnderscore) {
  EXPECT_EQ(SafeFileName("CON"), "_CON");
  EXPECT_EQ(SafeFileName("CON.txt"), "_CON.txt");
  EXPECT_EQ(SafeFileName("con.tar.gz"), "_con.tar.gz");
  EXPECT_EQ(SafeFileName("Prn"), "_Prn");
  EXPECT_EQ(SafeFileName("aux.c"), "_aux.c");
  EXPECT_EQ(SafeFileName("NUL ."), "_NUL");
  EXPECT_EQ(SafeFileName("nul .txt"), "_nul .txt");
  EXPECT_EQ(SafeFileName("COM1"), "_COM1");
  EXPECT_EQ(SafeFileName("com9.log"), "_com9.log");
  EXPECT_EQ(SafeFileName("LPT5.txt"), "_LPT5.txt");
  EXPECT_EQ(SafeFileName("../CON"), "_CON");
}

TEST(SafeFileNameTest, NothingLeftGivesTheFallback) {
  for (const char* name : {"", ".", "..", "...", "/", "../..", "a/..", " ", ". ."})
    EXPECT_EQ(SafeFileName(name), kFallbackFileName) << name;
}

TEST(SafeFileNameTest, LongNamesAreCutOnACharacterKeepingTheExtension) {
  const std::string ascii = SafeFileName(std::string(300, 'a') + ".tar.gz");
  EXPECT_EQ(ascii.size(), kMaxFileNameBytes);
  EXPECT_EQ(ascii, std::string(kMaxFileNameBytes - 3, 'a') + ".gz");

  // 3-byte characters: the cut falls before a whole one.
  std::string cjk;
  for (int i = 0; i < 100; ++i) cjk += "文";
  const std::string cut = SafeFileName(cjk + ".txt");
  EXPECT_LE(cut.size(), kMaxFileNameBytes);
  EXPECT_EQ(cut.size(), 4 + (kMaxFileNameBytes - 4) / 3 * 3);
  EXPECT_TRUE(cut.ends_with(".txt"));
  EXPECT_EQ(cut.substr(0, cut.size() - 4), cjk.substr(0, cut.size() - 4));

  // An "extension" too long to keep is cut with the rest.
  const std::string long_tail = SafeFileName("a." + std::string(300, 'b'));
  EXPECT_EQ(long_tail, "a." + std::string(kMaxFileNameBytes - 2, 'b'));

  // A cut that leaves a trailing dot or blank drops it.
  const std::string dotted = SafeFileName(std::string(254, 'a') + " " + std::string(10, 'b'));
  EXPECT_EQ(dotted, std::string(254, 'a'));

  EXPECT_EQ(SafeFileName(std::string(kMaxFileNameBytes, 'n')).size(), kMaxFileNameBytes);
}

TEST(SafeFileNameTest, ASafeNameStaysTheSameWhenMadeSafeAgain) {
  for (const char* name : {"../../x", "CON.txt", "a\nb.", "evil\xe2\x80\xaegpj.exe", "", "latin1 \xe9"}) {
    const std::string once = SafeFileName(name);
    EXPECT_EQ(SafeFileName(once), once) << name;
  }
  std::string cjk;
  for (int i = 0; i < 100; ++i) cjk += "字";
  const std::string once = SafeFileName(cjk + ".tar.gz");
  EXPECT_EQ(SafeFileName(once), once);
}

}  // namespace
}  // namespace veil::test
