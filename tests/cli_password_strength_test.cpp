// New sealed and stealth pictures and their passwords' strength: a very
// weak password is refused with nothing written unless --weak-password is
// given, a weak one is warned of, a fair or strong one passes in silence;
// each line offers a generated passphrase, and the passphrase command makes
// one that passes. Extraction takes any password. --password on a stealth
// run is warned of as on a sealed one.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "support/cli_runner.h"
#include "support/test_files.h"

namespace veil::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kVisible = "--password is visible to other users";
constexpr const char* kOffer = "'veilwright-cli passphrase' makes others): ";

// A 24-bit BMP of 200 x 160 noisy pixels, with room for a small stealth file.
Bytes NoisyBmp() {
  constexpr std::uint32_t kWidth = 200, kHeight = 160;
  std::vector<std::uint8_t> rgb(kWidth * kHeight * 3);
  std::mt19937 random(11);
  std::uniform_int_distribution<int> value(30, 220);
  for (auto& sample : rgb) sample = static_cast<std::uint8_t>(value(random));
  return MakeBmpOfSamples(kWidth, kHeight, rgb);
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The passphrase a refusal or a warning offers: the rest of its line.
std::string Offered(const std::string& err) {
  const auto at = err.find(kOffer);
  if (at == std::string::npos) return {};
  const auto start = at + std::string(kOffer).size();
  return err.substr(start, err.find('\n', start) - start);
}

class CliPasswordStrengthTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cover = dir.File("cover.bmp");
    clean = NoisyBmp();
    WriteAll(cover, clean);
    payload = dir.File("notes.txt");
    data = RandomBytes(300, 4);
    WriteAll(payload, data);
  }
  std::string PasswordFile(const std::string& password) {
    const std::string path = dir.File("pw" + std::to_string(files++));
    WriteAll(path, Bytes(password.begin(), password.end()));
    return path;
  }
  // Hides with the password from a file, so that no other warning is given.
  CliRun Hide(const std::string& form, const std::string& password, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"hide", cover, payload, form, "--password-file", PasswordFile(password)};
    args.insert(args.end(), more.begin(), more.end());
    return RunCliHere(args);
  }
  CliRun Extract(const std::string& picture, const std::string& password, std::vector<std::string> more = {}) {
    std::vector<std::string> args{
        "extract", picture, "--password-file", PasswordFile(password), "--output", dir.File("back.txt"), "--force"};
    args.insert(args.end(), more.begin(), more.end());
    return RunCliHere(args);
  }
  TempDir dir;
  std::string cover, payload;
  Bytes clean, data;
  int files = 0;
};

TEST_F(CliPasswordStrengthTest, AVeryWeakPasswordIsRefusedWithNothingWritten) {
  for (const std::string form : {"--seal", "--stealth"})
    for (const std::string password : {"password", "123456", "pw"}) {
      SCOPED_TRACE(form + " " + password);
      const std::string copy = dir.File("copy.bmp");
      const CliRun in_place = Hide(form, password);
      const CliRun into_copy = Hide(form, password, {"--output", copy});
      for (const CliRun& run : {in_place, into_copy}) {
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("veilwright-cli: the password is very weak ("), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("; use a longer passphrase, or --weak-password to use it anyway"), std::string::npos)
            << run.err;
        EXPECT_EQ(Words(Offered(run.err)).size(), 6u) << run.err;
        EXPECT_EQ(run.out, "");
      }
      EXPECT_EQ(ReadAll(cover), clean);
      EXPECT_FALSE(fs::exists(copy));
      EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2 + files)
          << "no staged file is left";
    }
}

TEST_F(CliPasswordStrengthTest, WeakPasswordTakesAVeryWeakOneWithAWarningAndItOpens) {
  const std::string sealed = dir.File("sealed.bmp"), stealth = dir.File("stealth.bmp");
  const CliRun seal = Hide("--seal", "pw", {"--weak-password", "--output", sealed});
  ASSERT_EQ(seal.status, 0) << seal.err;
  EXPECT_NE(seal.err.find("veilwright-cli: warning: the password is very weak ("), std::string::npos) << seal.err;
  EXPECT_NE(seal.err.find("--weak-password uses it anyway"), std::string::npos) << seal.err;
  EXPECT_EQ(Words(Offered(seal.err)).size(), 6u) << seal.err;
  const CliRun hidden = Hide("--stealth", "123456", {"--weak-password", "--output", stealth});
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  EXPECT_NE(hidden.err.find("warning: the password is very weak"), std::string::npos) << hidden.err;

  // Pictures already made open whatever their password, without a word on it.
  const CliRun opened = Extract(sealed, "pw");
  ASSERT_EQ(opened.status, 0) << opened.err;
  EXPECT_EQ(opened.err, "");
  EXPECT_EQ(ReadAll(dir.File("back.txt")), data);
  const CliRun found = Extract(stealth, "123456", {"--stealth"});
  ASSERT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.err, "");
  EXPECT_EQ(ReadAll(dir.File("back.txt")), data);
}

TEST_F(CliPasswordStrengthTest, AWeakPasswordIsWarnedOf) {
  const CliRun run = Hide("--seal", "right horse", {"--output", dir.File("copy.bmp")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("veilwright-cli: warning: the password is weak (about 10^7 guesses to find it); "
                         "a longer passphrase is safer; a generated one (77 bits, "),
            std::string::npos)
      << run.err;
  EXPECT_EQ(Words(Offered(run.err)).size(), 6u) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  // --weak-password changes nothing for a weak one.
  const CliRun flagged = Hide("--seal", "right horse", {"--weak-password", "--output", dir.File("copy2.bmp")});
  ASSERT_EQ(flagged.status, 0) << flagged.err;
  EXPECT_NE(flagged.err.find("warning: the password is weak"), std::string::npos) << flagged.err;
}

TEST_F(CliPasswordStrengthTest, FairAndStrongPasswordsPassInSilence) {
  const CliRun fair = Hide("--seal", "Tr0ub4dor&3", {"--output", dir.File("fair.bmp")});
  ASSERT_EQ(fair.status, 0) << fair.err;
  EXPECT_EQ(fair.err, "");
  const CliRun strong = Hide("--stealth", "correct horse battery staple", {"--output", dir.File("strong.bmp")});
  ASSERT_EQ(strong.status, 0) << strong.err;
  // The one line is about the cover left beside the picture, not the password.
  EXPECT_EQ(strong.err.find("password"), std::string::npos) << strong.err;
}

TEST_F(CliPasswordStrengthTest, APasswordTypedTwiceIsJudgedToo) {
  const auto answering = [](std::string answer) {
    return [answer](cli::CliEnvironment& env) {
      env.read_secret = [answer](const std::string&) -> std::optional<std::string> { return answer; };
    };
  };
  const CliRun weak = RunCliHere({"hide", cover, payload, "--seal"}, answering("secret"));
  EXPECT_EQ(weak.status, 1);
  EXPECT_NE(weak.err.find("the password is very weak"), std::string::npos) << weak.err;
  EXPECT_EQ(ReadAll(cover), clean);
}

TEST_F(CliPasswordStrengthTest, ThePassphraseCommandMakesAStrongPassphrase) {
  const CliRun first = RunCliHere({"passphrase"});
  const CliRun second = RunCliHere({"passphrase"});
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_EQ(second.status, 0) << second.err;
  ASSERT_EQ(first.out.back(), '\n');
  EXPECT_EQ(std::count(first.out.begin(), first.out.end(), '\n'), 1);
  EXPECT_EQ(Words(first.out).size(), 6u) << first.out;
  EXPECT_NE(first.out, second.out);
  EXPECT_EQ(first.err, "veilwright-cli: 6 words drawn at random from a list of 7776: 77 bits (about 10^23 guesses)\n");

  const std::string phrase = first.out.substr(0, first.out.size() - 1);
  const CliRun sealed = Hide("--seal", phrase, {"--output", dir.File("sealed.bmp")});
  ASSERT_EQ(sealed.status, 0) << sealed.err;
  EXPECT_EQ(sealed.err, "");
  // So is the one a refusal offers.
  const std::string offered = Offered(Hide("--seal", "password").err);
  ASSERT_FALSE(offered.empty());
  const CliRun taken = Hide("--seal", offered, {"--output", dir.File("offered.bmp")});
  ASSERT_EQ(taken.status, 0) << taken.err;
  EXPECT_EQ(taken.err, "");
}

TEST_F(CliPasswordStrengthTest, PasswordOnAStealthRunIsWarnedOfAsOnASealedOne) {
  const std::string password = "correct horse battery staple", stealth = dir.File("stealth.bmp");
  const CliRun hide = RunCliHere({"hide", cover, payload, "--stealth", "--password", password, "--output", stealth});
  ASSERT_EQ(hide.status, 0) << hide.err;
  EXPECT_NE(hide.err.find(std::string("veilwright-cli: warning: ") + kVisible), std::string::npos) << hide.err;
  const CliRun sealed =
      RunCliHere({"hide", cover, payload, "--seal", "--password", password, "--output", dir.File("sealed.bmp")});
  ASSERT_EQ(sealed.status, 0) << sealed.err;
  EXPECT_EQ(hide.err.substr(0, hide.err.find('\n') + 1), sealed.err);

  const CliRun extract =
      RunCliHere({"extract", stealth, "--stealth", "--password", password, "--output", dir.File("back.txt")});
  ASSERT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(extract.err, sealed.err);
  EXPECT_EQ(ReadAll(dir.File("back.txt")), data);
  // A picture without a marker is tried in the stealth form with a given password: warned of too.
  const CliRun tried = RunCliHere({"extract", stealth, "--password", password, "--output", dir.File("again.txt")});
  ASSERT_EQ(tried.status, 0) << tried.err;
  EXPECT_EQ(tried.err, sealed.err);
}

TEST_F(CliPasswordStrengthTest, WeakPasswordIsForTheSealedAndStealthFormsAlone) {
  const CliRun plain = RunCliHere({"hide", cover, payload, "--password", "pw", "--weak-password"});
  EXPECT_EQ(plain.status, 2);
  EXPECT_NE(plain.err.find("--weak-password is for the sealed and stealth forms"), std::string::npos) << plain.err;
  EXPECT_EQ(ReadAll(cover), clean);
  // The plain form's gate is not judged: it is no key.
  const CliRun gated = RunCliHere({"hide", cover, payload, "--password-file", PasswordFile("pw")});
  EXPECT_EQ(gated.status, 0) << gated.err;
  EXPECT_EQ(gated.err, "");
}

}  // namespace
}  // namespace veil::test
