#include "platform/win32/win32_self_test.h"

#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_main_window.h"
#include "platform/win32/win32_text.h"
#include "ui/window_definition.h"

namespace veil::win32 {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr auto kPatience = std::chrono::seconds(20);
constexpr auto kWholeRun = std::chrono::seconds(120);

Bytes ReadAll(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A 64 x 64 24-bit picture with room for a hidden file of capacity bytes.
Bytes MakeCover(std::size_t capacity) {
  const std::size_t pixels = std::max<std::size_t>(64 * 64 * 3, 12 + 12 * ((capacity + 2) / 3));
  Bytes bmp(54 + pixels);
  std::mt19937 random(7);
  for (std::size_t i = 54; i < bmp.size(); ++i) bmp[i] = static_cast<std::uint8_t>(random());
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B', bmp[1] = 'M';
  put32(2, static_cast<std::uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 64);
  put32(22, 64);
  bmp[26] = 1;
  bmp[28] = 24;
  return bmp;
}

std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

struct ChildSearch {
  const char* class_name;
  HWND found;
};

BOOL CALLBACK FindChildProc(HWND child, LPARAM l) {
  auto* search = reinterpret_cast<ChildSearch*>(l);
  if (_stricmp(ClassOf(child).c_str(), search->class_name) != 0) return TRUE;
  search->found = child;
  return FALSE;
}

HWND FindChild(HWND parent, const char* class_name) {
  ChildSearch search{class_name, nullptr};
  EnumChildWindows(parent, FindChildProc, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The texts of a message box's static controls, joined.
BOOL CALLBACK CollectStaticText(HWND child, LPARAM l) {
  if (_stricmp(ClassOf(child).c_str(), "Static") == 0) *reinterpret_cast<std::string*>(l) += WindowText(child);
  return TRUE;
}

std::string StaticTexts(HWND dialog) {
  std::string texts;
  EnumChildWindows(dialog, CollectStaticText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

// A dialog of the window's thread that has not been answered yet, known by
// its title or by a child control of some class.
struct DialogSearch {
  const std::vector<HWND>* answered;
  const std::string* title;
  const char* child_class;
  HWND found;
};

BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM l) {
  auto* search = reinterpret_cast<DialogSearch*>(l);
  if (!IsWindowVisible(hwnd) || ClassOf(hwnd) != "#32770") return TRUE;
  if (std::find(search->answered->begin(), search->answered->end(), hwnd) != search->answered->end()) return TRUE;
  const bool matches = search->child_class ? FindChild(hwnd, search->child_class) != nullptr
                                           : WindowText(hwnd) == *search->title;
  if (!matches) return TRUE;
  search->found = hwnd;
  return FALSE;
}

// Where the table puts a control inside the window's client area, in pixels:
// its container's place plus its own, as the table nests them.
RECT DesignRect(const ui::ControlSpec& design, const TwipScale& scale) {
  int left = design.left, top = design.top;
  for (auto* outer = ui::FindControl(ui::MainWindow(), design.container); outer;
       outer = ui::FindControl(ui::MainWindow(), outer->container))
    left += outer->left, top += outer->top;
  const LONG x = scale.ToPixelsX(left), y = scale.ToPixelsY(top);
  return RECT{x, y, x + scale.ToPixelsX(design.width), y + scale.ToPixelsY(design.height)};
}

// Where a control of the window is, in the window's client coordinates.
RECT PlaceInClient(HWND window, HWND control) {
  RECT place{};
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
  return place;
}

std::string TempFolder() {
  char path[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, path);
  return FromAnsi(path) + "veilwright-self-test-" + std::to_string(GetCurrentProcessId());
}

}  // namespace

// The user's stored preference to wipe after extraction, set to 1 for the
// run and put back as it was afterwards.
class PreferenceForTheRun {
 public:
  PreferenceForTheRun() {
    RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
    DWORD size = sizeof saved_ - 1;
    had_value_ = RegQueryValueExA(key_, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(saved_), &size) ==
                 ERROR_SUCCESS;
    RegSetValueExA(key_, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
  }
  ~PreferenceForTheRun() {
    if (had_value_)
      RegSetValueExA(key_, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_), std::strlen(saved_) + 1);
    else
      RegDeleteValueA(key_, kValue);
    RegCloseKey(key_);
  }

 private:
  static constexpr const char* kKey = "Software\\Nerox\\Murkquill";
  static constexpr const char* kValue = "clearBMP";
  HKEY key_ = nullptr;
  char saved_[256] = {};
  bool had_value_ = false;
};

SelfTest::SelfTest(Win32MainWindow& window, const std::vector<std::string>& args)
    : window_(window), preference_(std::make_unique<PreferenceForTheRun>()), work_(TempFolder()) {
  // A windowed program has no output of its own when started from a console.
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if ((output == nullptr || output == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    SetConsoleOutputCP(CP_UTF8);
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--work" && i + 1 < args.size()) work_ = args[++i];
    if (args[i] == "--foreign" && i + 3 < args.size()) foreign_ = {args[i + 1], args[i + 2], args[i + 3]}, i += 3;
  }
  driver_ = std::thread([this] {
    Script();
    done_ = true;
    PostMessageA(window_.hwnd(), WM_CLOSE, 0, 0);
  });
  watchdog_ = std::thread([this] {
    const auto deadline = std::chrono::steady_clock::now() + kWholeRun;
    while (!done_ && std::chrono::steady_clock::now() < deadline) Sleep(100);
    if (done_) return;
    std::printf("not ok - the run took longer than %d s; stuck at: %s\n", static_cast<int>(kWholeRun.count()),
                step_.c_str());
    std::printf("%d passed, %d failed\n", passed_, static_cast<int>(failures_.size()) + 1);
    std::fflush(stdout);
    ExitProcess(3);
  });
}

SelfTest::~SelfTest() {
  if (driver_.joinable()) driver_.join();
  if (watchdog_.joinable()) watchdog_.join();
}

int SelfTest::Finish() {
  driver_.join();
  watchdog_.join();
  preference_.reset();
  std::printf("%d passed, %d failed\n", passed_, static_cast<int>(failures_.size()));
  std::fflush(stdout);
  return failures_.empty() ? 0 : 1;
}

void SelfTest::Check(bool passed, const std::string& what) {
  std::printf("%s - %s\n", passed ? "ok" : "not ok", what.c_str());
  std::fflush(stdout);
  if (passed)
    ++passed_;
  else
    failures_.push_back(what);
}

bool SelfTest::WaitFor(const std::string& what, const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    Sleep(20);
  }
  Check(false, "waited in vain for " + what);
  return false;
}

HWND SelfTest::WaitForDialog(const std::string& title, const char* child_class) {
  step_ = "waiting for the dialog \"" + title + "\"";
  HWND found = nullptr;
  WaitFor("the dialog \"" + title + "\"", [&] {
    DialogSearch search{&answered_, &title, child_class, nullptr};
    EnumThreadWindows(GetWindowThreadProcessId(window_.hwnd(), nullptr), FindDialogProc,
                      reinterpret_cast<LPARAM>(&search));
    found = search.found;
    return found != nullptr;
  });
  if (found) answered_.push_back(found);
  return found;
}

void SelfTest::Answer(const std::string& title, const std::string& text, int button) {
  HWND dialog = WaitForDialog(title);
  if (!dialog) return;
  const std::string shown = StaticTexts(dialog);
  Check(shown == text, "the box \"" + title + "\" says \"" + text + "\"" + (shown == text ? "" : " (it says \"" + shown + "\")"));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

void SelfTest::AnswerFile(const std::string& title, const std::string& path) {
  HWND dialog = WaitForDialog(title);
  if (!dialog) return;
  Sleep(200);  // let the dialog finish filling its folder view
  HWND name = GetDlgItem(dialog, cmb13);
  if (!name) name = GetDlgItem(dialog, edt1);
  if (!name) name = FindChild(dialog, "Edit");
  Check(name != nullptr, "the dialog \"" + title + "\" has a file-name box");
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToAnsi(path).c_str()));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void SelfTest::AnswerFolder(const std::string& path) {
  HWND dialog = WaitForDialog("the folder browser", "SysTreeView32");
  if (!dialog) return;
  Sleep(200);
  const std::string ansi = ToAnsi(path);
  SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(ansi.c_str()));
  Sleep(200);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void SelfTest::AnswerInput(const std::string& title, const std::string& typed) {
  HWND dialog = WaitForDialog(title);
  if (!dialog) return;
  Check(WindowText(GetDlgItem(dialog, kInputBoxPrompt)) == "请输入密码： ", "the input box asks for the password");
  SendDlgItemMessageA(dialog, kInputBoxEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToAnsi(typed).c_str()));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void SelfTest::Click(const std::string& control) {
  step_ = "clicking " + control;
  HWND hwnd = window_.controls().FindControl(control)->hwnd();
  PostMessageA(window_.hwnd(), WM_COMMAND, MAKEWPARAM(window_.CommandId(control), BN_CLICKED),
               reinterpret_cast<LPARAM>(hwnd));
}

void SelfTest::PressCtrlO() {
  step_ = "pressing Ctrl+O";
  SetForegroundWindow(window_.hwnd());
  INPUT keys[4] = {};
  for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = VK_CONTROL;
  keys[1].ki.wVk = 'O';
  keys[2].ki.wVk = 'O';
  keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
  keys[3].ki.wVk = VK_CONTROL;
  keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, keys, sizeof(INPUT));
}

void SelfTest::Type(const std::string& control, const std::string& text) {
  HWND hwnd = window_.controls().FindControl(control)->hwnd();
  for (char c : text) PostMessageA(hwnd, WM_CHAR, static_cast<unsigned char>(c), 1);
  WaitFor(control + " showing what was typed", [&] { return Text(control) == text; });
}

std::string SelfTest::Text(const std::string& control) {
  return WindowText(window_.controls().FindControl(control)->hwnd());
}

int SelfTest::CheckValue(const std::string& control) {
  return static_cast<int>(SendMessageA(window_.controls().FindControl(control)->hwnd(), BM_GETCHECK, 0, 0));
}

void SelfTest::Script() {
  std::filesystem::create_directories(std::filesystem::u8path(work_ + "\\out"));
  const std::string cover = work_ + "\\cover.bmp", payload = work_ + "\\notes.txt", out = work_ + "\\out";
  Bytes data(5000);
  std::mt19937 random(11);
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  WriteAll(payload, data);
  WriteAll(cover, MakeCover(data.size()));

  // Start-up state and captions.
  WaitFor("the window", [&] { return IsWindowVisible(window_.hwnd()) != FALSE; });
  Check(WindowText(window_.hwnd()) == "Veilwrightv1.0", "the window's caption is Veilwrightv1.0");
  Check(Text("cmdadd") == "加密文件" && Text("cmdout") == "解密文件" && Text("Frame1") == "文件加密",
        "the controls carry their Chinese captions");
  char program[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  const std::string folder = FromAnsi(std::string(program).substr(0, std::string(program).find_last_of('\\')));
  Check(Text("Text3") == folder, "Text3 shows the program's folder");
  Check(CheckValue("ChkclearBmp") == 1, "ChkclearBmp starts ticked: the stored preference is 1");
  Check(CheckValue("ChkPassword") == 0, "ChkPassword starts unticked");
  CheckDesignGeometry();
  CheckProportionalLayout();

  // Ctrl+O opens the picture dialog; the cover is inspected.
  PressCtrlO();
  AnswerFile("打开 BMP图片", cover);  // found only if Ctrl+O opened it
  WaitFor("the cover's inspection", [&] { return Text("Text1") == "宿主图片:" + cover; });
  const auto picture = window_.controls().FindControl("Imagepre")->Get("Picture");
  Check(picture && std::get<std::string>(*picture) == cover, "the preview shows the cover");
  const std::string hint = "您可以加密的文件大小不超过" + std::to_string(ReadAll(cover).size() / 4092) + "KB";
  const std::string shown = Text("Text2");
  Check(shown == hint, "Text2 shows the capacity hint \"" + hint + "\"" + (shown == hint ? "" : " (it shows \"" + shown + "\")"));

  // The file to hide, and a password typed twice.
  Click("CmdMsgSelect");
  AnswerFile("选择需要加密的文件", payload);
  WaitFor("the file to hide in TxtName", [&] { return Text("TxtName") == payload; });
  Click("ChkPassword");
  WaitFor("ChkPassword ticked", [&] { return CheckValue("ChkPassword") == 1; });
  Type("Text4", "abc");
  Type("Text5", "abc");

  step_ = "hiding";
  Click("cmdadd");
  Answer("准备", "    按下[确定]键将开始执行加密    ", IDOK);
  Answer("消息", "加密完成！", IDOK);
  WaitFor("the completion caption", [&] { return Text("Labtmp") == "加密完成！"; });
  CopyFileW(ToWide(cover).c_str(), ToWide(work_ + "\\hidden-by-windows.bmp").c_str(), FALSE);
  const Bytes marked = ReadAll(cover);
  Check(marked.size() > 10 && marked[9] == 0x18 && marked[6] == (5000 & 0xFF) && marked[7] == (5000 >> 8),
        "the picture's marker holds the length and the password flag");

  // Extraction into a chosen folder, with the password, and the wipe.
  Click("cmdopen");
  AnswerFile("打开 BMP图片", cover);
  WaitFor("the marked picture's inspection", [&] { return Text("Labtmp") == "图片内有文件"; });
  Click("cmdchgOutPath");
  AnswerFolder(out);
  WaitFor("the output folder in Text3", [&] { return Text("Text3") == out + "\\"; });
  Check(Text("Text3") == out + "\\", "the folder dialog's choice becomes the output folder");

  step_ = "extracting";
  Click("cmdout");
  AnswerInput("核实权限", "abc");
  Answer("准备开始", "   加密文件即将解压到：  " + out + "\\output.txt", IDOK);
  Answer("完成", " 文件解密完成！", IDOK);
  Answer("选择", "     您现在查看文件吗？     ", IDNO);
  Answer("消息", "    文件已清除    ", IDOK);
  WaitFor("the wipe's caption", [&] { return Text("Labtmp") == "加密文件已被清除！"; });
  Check(ReadAll(out + "\\output.txt") == data, "the extracted file equals the hidden one byte for byte");
  const Bytes wiped = ReadAll(cover);
  Check(wiped.size() > 10 && wiped[6] == 0 && wiped[7] == 0 && wiped[8] == 0 && wiped[9] == 0,
        "the wipe cleared the marker");

  if (!foreign_.empty()) ExtractForeign();
}

void SelfTest::CheckDesignGeometry() {
  const TwipScale& scale = window_.scale();
  RECT client{};
  GetClientRect(window_.hwnd(), &client);
  const auto& window = ui::MainWindow();
  Check(client.right == scale.ToPixelsX(window.design_client_width) &&
            client.bottom == scale.ToPixelsY(window.design_client_height),
        "the client area has the design size");
  std::string misplaced;
  for (const auto& design : window.controls) {
    if (design.kind == ui::ControlKind::kMenuItem) continue;
    const RECT shown = PlaceInClient(window_.hwnd(), window_.controls().FindControl(design.name)->hwnd());
    const RECT want = DesignRect(design, scale);
    // Labels that size themselves keep only their place.
    const bool sized = !design.auto_size;
    if (shown.left != want.left || shown.top != want.top ||
        (sized && (shown.right != want.right || shown.bottom != want.bottom)))
      misplaced += " " + design.name;
  }
  Check(misplaced.empty(), "every control sits where the table puts it" +
                               (misplaced.empty() ? std::string() : " (misplaced:" + misplaced + ")"));
}

// A wider window moves and widens the controls in proportion; back at the
// design size, every control is where it started.
void SelfTest::CheckProportionalLayout() {
  step_ = "resizing the window";
  RECT outer{}, client{};
  GetWindowRect(window_.hwnd(), &outer);
  GetClientRect(window_.hwnd(), &client);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  auto place = [&](const char* name) {
    return PlaceInClient(window_.hwnd(), window_.controls().FindControl(name)->hwnd());
  };
  const RECT before = place("cmdadd");
  SetWindowPos(window_.hwnd(), nullptr, 0, 0, width + client.right / 2, height, SWP_NOMOVE | SWP_NOZORDER);
  RECT wider{};
  GetClientRect(window_.hwnd(), &wider);
  const double ratio = static_cast<double>(wider.right) / client.right;
  auto close_to = [](LONG shown, double want) { return std::abs(shown - want) <= 1; };
  const bool moved = WaitFor("cmdadd to follow the wider window", [&] {
    const RECT now = place("cmdadd");
    return ratio > 1.2 && close_to(now.left, before.left * ratio) && close_to(now.right, before.right * ratio) &&
           now.top == before.top && now.bottom == before.bottom;
  });
  Check(moved, "a window " + std::to_string(wider.right) + " pixels wide moves and widens cmdadd in proportion");
  SetWindowPos(window_.hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
  WaitFor("cmdadd back in place", [&] { return place("cmdadd").left == before.left; });
  CheckDesignGeometry();
}

void SelfTest::ExtractForeign() {
  step_ = "extracting a picture made elsewhere";
  Click("ChkclearBmp");  // keep the foreign picture as it is
  WaitFor("ChkclearBmp unticked", [&] { return CheckValue("ChkclearBmp") == 0; });
  Click("cmdopen");
  AnswerFile("打开 BMP图片", foreign_[0]);
  WaitFor("the foreign picture's inspection", [&] { return Text("Labtmp") == "图片内有文件"; });
  const std::string output = work_ + "\\out\\output." + foreign_[1].substr(foreign_[1].size() - 3);
  Click("cmdout");
  AnswerInput("核实权限", foreign_[2]);
  Answer("准备开始", "   加密文件即将解压到：  " + output, IDOK);
  Answer("完成", " 文件解密完成！", IDOK);
  Answer("选择", "     您现在查看文件吗？     ", IDNO);
  Check(ReadAll(output) == ReadAll(foreign_[1]), "a picture hidden by another program extracts byte for byte");
}

}  // namespace veil::win32
