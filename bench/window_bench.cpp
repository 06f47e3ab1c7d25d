// Times the window's own hide command (cmdadd, with the real Qt message pump)
// on the largest hidden file against the command-line program's in-place
// hide of the same file, alternating, each on a fresh copy of the cover.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/qt/qt_main_window.h"
#include "bench_files.h"
#include "platform/scripted/scripted_desktop.h"
#include "platform/scripted/scripted_message_boxes.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PATH-TO-veilwright-cli [ROUNDS]\n", argv[0]);
    return 2;
  }
  const std::string cli = argv[1];
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
  using namespace veil;
  auto report = [](const std::string& fault) { std::fprintf(stderr, "unexpected: %s\n", fault.c_str()); };

  const auto dir = std::filesystem::temp_directory_path() / ("veilwright-window-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string cover = (dir / "cover.bmp").string(), work = (dir / "work.bmp").string(),
                    payload = (dir / "payload.bin").string();
  bench::WriteCover(cover, bench::kCoverWidth, bench::kCoverHeight);
  bench::WritePayload(payload, bench::kLargestHiddenFile);

  std::vector<double> cli_hide, window_hide;
  for (int round = 0; round < rounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool window_first = round % 2 == 0;
      if (!bench::RunCommand({"cp", cover, work}).ok) return 1;
      ::sync();
      if ((turn == 0) != window_first) {
        const bench::CommandRun run = bench::RunCommand({cli, "hide", work, payload});
        if (!run.ok) return 1;
        cli_hide.push_back(run.seconds);
        continue;
      }
      ScriptedMessageBoxes boxes(report);
      ScriptedFileDialogs dialogs(report);
      ScriptedShell shell;
      ScriptedSettings settings;
      qt::QtMainWindow window({&boxes, &dialogs, &shell, &settings});
      window.Start();
      dialogs.QueueFile(work);
      window.form().Click("cmdopen");
      dialogs.QueueFile(payload);
      window.form().Click("CmdMsgSelect");
      const auto start = std::chrono::steady_clock::now();
      window.form().Click("cmdadd");
      window_hide.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      if (boxes.Shown().empty() || boxes.Shown().back().text != "加密完成！") {
        std::fprintf(stderr, "the window's hiding did not complete\n");
        return 1;
      }
    }
  }
  std::filesystem::remove_all(dir);
  const double base = bench::Median(cli_hide);
  std::printf("window hide command (cmdadd, Qt pump), 16777215 bytes, median of %d alternating rounds\n", rounds);
  std::printf("veilwright-cli hide in place  %7.3f s\n", base);
  std::printf("window cmdadd                 %7.3f s  %5.2fx the command line\n", bench::Median(window_hide),
              bench::Median(window_hide) / base);
  return 0;
}
