// Any command line (NUL-separated words) against a sandbox folder holding a
// marked picture and a file: the program must answer with a status, never
// crash, and never report success for a usage error.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli/cli_app.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace {

const std::filesystem::path& Sandbox() {
  static const std::filesystem::path sandbox = [] {
    auto path = std::filesystem::temp_directory_path() / ("veilwright-args-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    std::filesystem::current_path(path);
    return path;
  }();
  return sandbox;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  std::string word;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(word);
      word.clear();
    } else {
      word.push_back(static_cast<char>(data[i]));
    }
  }
  args.push_back(word);
  // Every path stays inside the sandbox: no absolute path, no separator and
  // no ".." anywhere, in a word or in an option's value (as root, a path
  // outside could name a device node of the machine).
  for (const auto& arg : args)
    if (arg.find_first_of("/\\") != std::string::npos || arg.find("..") != std::string::npos || arg.size() > 64)
      return 0;

  const auto& sandbox = Sandbox();
  for (const auto& entry : std::filesystem::directory_iterator(sandbox)) std::filesystem::remove_all(entry);
  const auto secret = veil::test::RandomBytes(40, 1);
  veil::test::WriteAll("p.bmp", veil::test::ReferenceHide(veil::test::MakeBmp(400), secret, "txt", "pw", true));
  veil::test::WriteAll("f.txt", secret);

  std::ostringstream out, err;
  veil::cli::CliEnvironment env{out, err};
  env.read_secret = [](const std::string&) { return std::optional<std::string>("pw"); };
  env.stdout_fd = -1;  // "--output -" fails cleanly instead of writing into the fuzzer's output
  const int status = veil::cli::RunCli(args, env);
  if (status < 0 || status > 2) std::abort();
  if (status != 0 && err.str().empty()) std::abort();
  return 0;
}
