// Passwords' strength as zxcvbn estimates it, the levels its guesses come
// to, and the passphrases the programs offer.
#include "codec/seal/password_strength.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>

#include "codec/seal/passphrase.h"

namespace veil::test {
namespace {

using codec::PasswordLevel;

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

#ifndef VEILWRIGHT_NO_ZXCVBN
PasswordLevel LevelOf(const std::string& password) {
  const auto strength = codec::EstimatePasswordStrength(password);
  if (!strength) ADD_FAILURE() << "no estimate";
  return strength ? strength->level : PasswordLevel::kStrong;
}

TEST(PasswordStrengthTest, KnownPasswordsComeToTheirLevels) {
  EXPECT_EQ(LevelOf("password"), PasswordLevel::kVeryWeak);
  EXPECT_EQ(LevelOf("123456"), PasswordLevel::kVeryWeak);
  EXPECT_EQ(LevelOf("pw"), PasswordLevel::kVeryWeak);
  EXPECT_EQ(LevelOf("letmein1"), PasswordLevel::kVeryWeak);
  EXPECT_EQ(LevelOf("right horse"), PasswordLevel::kWeak);
  EXPECT_EQ(LevelOf("Tr0ub4dor&3"), PasswordLevel::kFair);
  EXPECT_EQ(LevelOf("correct horse battery staple"), PasswordLevel::kStrong);
  EXPECT_EQ(LevelOf("密码 pw7"), PasswordLevel::kStrong);
}

TEST(PasswordStrengthTest, TheEstimateGrowsWithWhatIsAdded) {
  const auto short_one = codec::EstimatePasswordStrength("correct horse");
  const auto long_one = codec::EstimatePasswordStrength("correct horse battery staple");
  ASSERT_TRUE(short_one && long_one);
  EXPECT_LT(short_one->bits, long_one->bits);
  EXPECT_NEAR(long_one->Log10Guesses(), long_one->bits * std::log10(2.0), 1e-9);
  EXPECT_EQ(codec::EstimatePasswordStrength("")->bits, 0);
}

TEST(PasswordStrengthTest, TheLongestPasswordFileIsEstimatedQuickly) {
  std::string long_one;
  for (int i = 0; long_one.size() < 4096; ++i) long_one += "word" + std::to_string(i) + " ";
  long_one.resize(4096);
  EXPECT_EQ(LevelOf(long_one), PasswordLevel::kStrong);
}
#else
TEST(PasswordStrengthTest, ABuildWithoutZxcvbnEstimatesNothing) {
  EXPECT_FALSE(codec::EstimatePasswordStrength("password"));
}
#endif

TEST(PasswordStrengthTest, LevelsChangeAtTenToTheSixTwelveAndSixteenGuesses) {
  const double per_decade = std::log2(10.0);
  EXPECT_EQ(codec::LevelOfBits(0), PasswordLevel::kVeryWeak);
  EXPECT_EQ(codec::LevelOfBits(6 * per_decade - 0.01), PasswordLevel::kVeryWeak);
  EXPECT_EQ(codec::LevelOfBits(6 * per_decade + 0.01), PasswordLevel::kWeak);
  EXPECT_EQ(codec::LevelOfBits(12 * per_decade - 0.01), PasswordLevel::kWeak);
  EXPECT_EQ(codec::LevelOfBits(12 * per_decade + 0.01), PasswordLevel::kFair);
  EXPECT_EQ(codec::LevelOfBits(16 * per_decade - 0.01), PasswordLevel::kFair);
  EXPECT_EQ(codec::LevelOfBits(16 * per_decade + 0.01), PasswordLevel::kStrong);
}

TEST(PassphraseTest, TheListHoldsDistinctShortWords) {
  const auto list = codec::PassphraseList();
  ASSERT_EQ(list.size(), 7776u);
  std::set<std::string> distinct(list.begin(), list.end());
  EXPECT_EQ(distinct.size(), list.size());
  for (const std::string word : list) {
    EXPECT_GE(word.size(), 3u) << word;
    EXPECT_LE(word.size(), 9u) << word;
    EXPECT_EQ(word.find_first_not_of("abcdefghijklmnopqrstuvwxyz-"), std::string::npos) << word;
  }
}

TEST(PassphraseTest, SixWordsFromTheListDifferentEachTime) {
  const auto first = codec::GeneratePassphrase();
  const auto second = codec::GeneratePassphrase();
  EXPECT_NE(first.text, second.text);
  const auto words = Words(first.text);
  ASSERT_EQ(words.size(), 6u);
  const auto list = codec::PassphraseList();
  for (const auto& word : words) EXPECT_NE(std::find(list.begin(), list.end(), word), list.end()) << word;
  EXPECT_NEAR(first.bits, 6 * std::log2(7776.0), 1e-9);
  EXPECT_EQ(Words(codec::GeneratePassphrase(4).text).size(), 4u);
}

// 20,000 draws of one word from 7776 find about 7180 different ones when
// every word is as likely; a draw from part of the list finds fewer.
TEST(PassphraseTest, DrawsReachTheWholeList) {
  std::set<std::string> seen;
  for (int i = 0; i < 20000; ++i) seen.insert(codec::GeneratePassphrase(1).text);
  EXPECT_GT(seen.size(), 7050u);
  EXPECT_LT(seen.size(), 7300u);
}

#ifndef VEILWRIGHT_NO_ZXCVBN
TEST(PassphraseTest, AGeneratedPassphraseIsEstimatedStrong) {
  for (int i = 0; i < 20; ++i) {
    const auto phrase = codec::GeneratePassphrase();
    EXPECT_EQ(LevelOf(phrase.text), PasswordLevel::kStrong) << phrase.text;
  }
}
#endif

}  // namespace
}  // namespace veil::test
