#include "cli/cli_app.h"

#include <ostream>
#include "version.h"

#include "cli/cli_failure.h"
#include "cli/cli_session.h"
#include "codec/kernels/kernel_dispatch.h"
#include "files/file_failure.h"

namespace veil::cli {
namespace {

struct CommandEntry {
  CommandSyntax syntax;
  int (*run)(const Arguments&, CliSession&);
  const char* help;
};

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> commands = {
      {{"inspect", 1, {}, {}},
       InspectCommand,
       "usage: veilwright-cli inspect PICTURE\n"
       "Tells whether PICTURE (a 24-bit BMP) holds a hidden file. For a clean picture it prints\n"
       "how many bytes it can take, plain, sealed and stealth; for a marked one the hidden length, the\n"
       "stored extension, the format version and whether a password is set; for a sealed one\n"
       "the length of the file and its name (it follows from the hidden length) and the costs of\n"
       "its key derivation (its name and contents are inside the seal). The sealed and stealth\n"
       "capacities count the file's name with the file.\n"
       "For a PNG or a JPEG it prints the stealth capacity, or why the picture cannot carry a file.\n"},
      {{"hide",
        2,
        {"--password", "--password-file", "--output", "--max-rate"},
        {"--seal", "--stealth", "--weak-password", "--allow-decoded-jpeg", "--force"}},
       HideCommand,
       "usage: veilwright-cli hide PICTURE FILE [--seal | --stealth [--max-rate BPP] [--allow-decoded-jpeg]]\n"
       "                           [--password TEXT | --password-file PATH] [--weak-password]\n"
       "                           [--output COPY [--force]]\n"
       "Hides FILE in PICTURE, in place, or with --output in a copy named COPY (PICTURE stays\n"
       "untouched). COPY may be neither PICTURE nor FILE (by any name or link), nor a picture that\n"
       "holds a hidden file; an existing file is replaced only with --force. The sealed and\n"
       "stealth forms store FILE's own name (its last component, made safe for Linux and Windows:\n"
       "no separators, control characters or <>:\"|?*, no trailing dots or blanks, no device\n"
       "names such as CON, at most 255 bytes), which takes room like the file. The plain form\n"
       "stores an extension: the last three characters of FILE when they follow a dot, else \"msg\".\n"
       "Without --seal (format version 1, which every reader of the format reads) the password\n"
       "is at most 8 printable ASCII characters, and it is a gate for extraction, not encryption:\n"
       "the file and the password are plain in the picture's bits.\n"
       "With --seal (format version 2) the file's name and the file are encrypted and authenticated\n"
       "(XChaCha20-Poly1305) under a key derived from the password (Argon2id); the password may\n"
       "be any UTF-8 text (sealed in its composed form, NFC), and is asked twice on the terminal\n"
       "when not given. Programs that read only version 1 refuse a sealed picture. A sealed\n"
       "picture still shows that it holds a file, and the file's length (inspect prints both).\n"
       "With --stealth nothing in the picture says it holds a file: the header, palette, profile\n"
       "and length stay as they are, and only pixel values change, each by one, at places only\n"
       "the password finds, chosen where the picture's texture hides them (never in flat areas or\n"
       "on saturated values). The name, the length and the file are encrypted and\n"
       "authenticated as with --seal. A stealth picture carries at most 0.12 hidden bits per\n"
       "textured pixel (see inspect); --max-rate BPP allows more, at the price of being easier\n"
       "to detect. Extract it with extract --stealth and the same password.\n"
       "The stealth form hides nothing from someone who holds the cover or a second picture made\n"
       "from it: comparing them shows every changed value. With --output the cover stays beside\n"
       "the stealth picture (a warning says so): delete it, and never hide twice in one cover.\n"
       "With --stealth PICTURE may also be a PNG: 8- or 16-bit grey or colour, with or without\n"
       "alpha (pixels that are not opaque never change), interlaced or not; not a palette PNG.\n"
       "Its image data is compressed anew and the whole file written as a new one (staged beside\n"
       "it and renamed onto it when hiding in place); every other chunk stays byte for byte.\n"
       "Or a JPEG, baseline or progressive, grey or colour: the file rides in its quantised DCT\n"
       "coefficients, each changed by one at most; every marker segment before the first scan\n"
       "(EXIF, ICC, XMP, comments) and every byte after the end of the image stays as it was, and\n"
       "the scans are coded anew. A JPEG's --max-rate counts bits per non-zero AC coefficient\n"
       "(default 0.05). Re-saving a stealth JPEG in an editor destroys the hidden file.\n"
       "GIF and WebP pictures are refused: re-encoding them would destroy the file.\n"
       "A BMP or PNG whose colour pixels are all colours a JPEG decoder gives was a JPEG, and a\n"
       "stealth hide in it would be found by its colours alone: it is refused (hide in the\n"
       "original JPEG, or in a copy downscaled by 2 or more) unless --allow-decoded-jpeg is given.\n"
       "--password-file reads the password from PATH (\"-\": standard input) to its end, without\n"
       "one leading byte-order mark and one final line break; a FIFO or \"<(...)\" works.\n"
       "--password TEXT is visible to other users of the machine (in the process list): prefer\n"
       "--password-file or the prompt.\n"
       "With --seal or --stealth every guess at the password costs an attacker one key derivation\n"
       "and tells them whether it was right, so the password's strength is estimated (zxcvbn):\n"
       "one that takes fewer than 10^6 guesses is refused unless --weak-password is given, one that\n"
       "takes fewer than 10^12 is warned of; both lines offer a generated passphrase (see\n"
       "'veilwright-cli passphrase'). Extraction takes any password.\n"},
      {{"extract",
        1,
        {"--password", "--password-file", "--output", "--output-dir"},
        {"--clear", "--stealth", "--force"}},
       ExtractCommand,
       "usage: veilwright-cli extract PICTURE [--stealth] [--password TEXT | --password-file PATH]\n"
       "                              [--output PATH | --output-dir DIR] [--force] [--clear]\n"
       "Writes the file hidden in PICTURE to PATH (\"-\" for standard output), or into DIR (default:\n"
       "the current folder) under the name a sealed or stealth picture stores, made safe again so\n"
       "that it stays inside DIR, or \"output.\" plus the extension a plain picture (or one made\n"
       "before names were kept) stores. A protected or sealed picture\n"
       "asks for its password on the terminal unless it is given. A plain file, a symbolic link's\n"
       "target, a FIFO or a device may be the output; a folder may not (give it as --output-dir),\n"
       "nor PICTURE itself. An existing file is replaced only with --force. --clear destroys the\n"
       "hidden file after a successful extraction, as clear does.\n"
       "--stealth opens a stealth picture with its password; a picture without a marker is tried\n"
       "that way too when a password is given. A wrong password, a picture without a stealth file\n"
       "and a damaged one get the same answer, \"no hidden file opens with this password\", and\n"
       "nothing is written.\n"
       "--password-file reads the password from PATH (\"-\": standard input), as for hide;\n"
       "--password TEXT is visible to other users of the machine: prefer --password-file or the\n"
       "prompt. A sealed file reaches the output only once every part of it has opened.\n"},
      {{"clear", 1, {}, {}},
       ClearCommand,
       "usage: veilwright-cli clear PICTURE\n"
       "Destroys the file hidden in PICTURE: the bits it took are overwritten with random ones\n"
       "(and a plain file's header, its extension and password, with random bytes), then the\n"
       "marker that says PICTURE holds a file is wiped, so nothing of the file can be read back.\n"
       "A clear cut short leaves the marker, and clearing again finishes it. A stealth file has\n"
       "no marker: to be rid of it, delete the picture.\n"},
      {{"passphrase", 0, {}, {}},
       PassphraseCommand,
       "usage: veilwright-cli passphrase\n"
       "Prints a new passphrase for --seal or --stealth: 6 words drawn at random (libsodium) from the\n"
       "EFF's list of 7776, worth 77 bits (about 10^23 guesses) to an attacker who knows how it was\n"
       "made. Only the passphrase goes to standard output, so that it can go to a file for\n"
       "--password-file; its strength goes to standard error.\n"},
  };
  return commands;
}

constexpr const char* kUsage =
    "usage: veilwright-cli COMMAND ...\n"
    "Hides a file inside a 24-bit BMP picture (or, in the stealth form, a PNG or a JPEG) and takes it out again.\n"
    "\n"
    "  inspect PICTURE\n"
    "  hide PICTURE FILE [--seal | --stealth [--max-rate BPP]] [--password TEXT | --password-file PATH]\n"
    "       [--weak-password] [--allow-decoded-jpeg] [--output COPY [--force]]\n"
    "  extract PICTURE [--stealth] [--password TEXT | --password-file PATH] [--output PATH | --output-dir DIR]\n"
    "       [--force] [--clear]\n"
    "  clear PICTURE\n"
    "  passphrase\n"
    "\n"
    "  --version\n"
    "\n"
    "What each form hides:\n"
    "  plain (the default; BMP): nothing from someone who looks. The file and its password are\n"
    "      stored unencrypted; the password is a gate for extraction, not encryption.\n"
    "  --seal (BMP): the file and its name, encrypted under the password; the picture still\n"
    "      shows that it holds a file, and the file's length.\n"
    "  --stealth (BMP, PNG, JPEG): that there is a file at all, its length and its contents; but\n"
    "      not from someone who holds the cover or two versions of the picture.\n"
    "\n"
    "Run 'veilwright-cli COMMAND --help' for the details of a command.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

std::string HelpPointer(const std::string& command) { return "try `veilwright-cli " + command + "--help`\n"; }

}  // namespace

int RunCli(const std::vector<std::string>& args, CliEnvironment& env) {
  std::vector<CommandSyntax> syntaxes;
  for (const auto& entry : Commands()) syntaxes.push_back(entry.syntax);
  Arguments parsed;
  try {
    parsed = ParseArguments(args, syntaxes);
  } catch (const UsageError& error) {
    // The command's help, when the line names one, is where the fix is.
    std::string command;
    for (const auto& entry : Commands())
      if (!args.empty() && entry.syntax.name == args[0]) command = entry.syntax.name + " ";
    env.err << "veilwright-cli: " << error.what() << "\n" << HelpPointer(command);
    return kExitUsage;
  }
  if (parsed.version) {
    env.out << "veilwright-cli " VEILWRIGHT_VERSION "\n";
    return kExitSuccess;
  }
  if (parsed.command.empty()) {
    env.out << kUsage;
    return kExitSuccess;
  }
  const CommandEntry* entry = nullptr;
  for (const auto& candidate : Commands())
    if (candidate.syntax.name == parsed.command) entry = &candidate;
  if (parsed.help) {
    env.out << entry->help;
    return kExitSuccess;
  }
  // A kernel forced for a test or a benchmark must be the one that runs.
  if (!env.kernel_request.empty()) RequestKernels(env.kernel_request);
  if (const std::string problem = KernelRequestProblem(); !problem.empty()) {
    env.err << "veilwright-cli: " << problem << "\n";
    return kExitUsage;
  }
  CliSession session(env);
  try {
    return entry->run(parsed, session);
  } catch (const UsageError& error) {
    env.err << "veilwright-cli: " << error.what() << "\n" << HelpPointer(entry->syntax.name + " ");
    return kExitUsage;
  } catch (const CliFailure& failure) {
    env.err << "veilwright-cli: " << failure.what() << "\n";
  } catch (const FileFailure& failure) {
    env.err << "veilwright-cli: " << failure.what() << "\n";
  }
  return kExitFailure;
}

}  // namespace veil::cli
