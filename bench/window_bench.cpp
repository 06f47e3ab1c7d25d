// Times the window's own hide command (cmdadd, with the real Qt message pump)
// on the largest hidden file against cp of the cover.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "bench_files.h"
#include "app/qt/qt_main_window.h"
#include "platform/scripted/scripted_desktop.h"
#include "platform/scripted/scripted_message_boxes.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
  using namespace veil;
  auto report = [](const std::string& fault) { std::fprintf(stderr, "unexpected: %s\n", fault.c_str()); };

  const auto dir = std::filesystem::temp_directory_path() / ("veilwright-window-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string cover = (dir / "cover.bmp").string(), work = (dir / "work.bmp").string(),
                    payload = (dir / "payload.bin").string();
  bench::WriteCover(cover, bench::kCoverWidth, bench::kCoverHeight);
  bench::WritePayload(payload, bench::kLargestHiddenFile);

  std::vector<double> cp, hide;
  for (int round = 0; round < rounds; ++round) {
    const bench::CommandRun copy = bench::RunCommand({"cp", cover, work});
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
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!copy.ok || boxes.Shown().empty() || boxes.Shown().back().text != "加密完成！") {
      std::fprintf(stderr, "the hiding did not complete\n");
      return 1;
    }
    cp.push_back(copy.seconds);
    hide.push_back(seconds);
  }
  std::filesystem::remove_all(dir);
  const double base = bench::Median(cp);
  std::printf("window hide command (cmdadd, Qt pump), 16777215 bytes, median of %d rounds\n", rounds);
  std::printf("cp of the cover   %7.3f s\n", base);
  std::printf("cmdadd            %7.3f s  %5.2fx cp\n", bench::Median(hide), bench::Median(hide) / base);
  return 0;
}
