#include "window_self_test.h"

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

#include "app/win32/win32_main_window.h"
// windows.h makes Yield a macro; the codec's run observer has a method of
// that name.
#undef Yield
#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "codec/plain/sealed_picture.h"
#include "codec/stealth/stealth_runs.h"
#include "files/memory_file.h"
#include "files/win32/win32_text.h"
#include "platform/win32/win32_dialogs.h"
#include "window/definition/form_dialogs.h"
#include "window/definition/window_definition.h"
#include "window/forms/form_texts.h"

namespace veil::win32 {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr auto kPatience = std::chrono::seconds(20);
constexpr auto kWholeRun = std::chrono::seconds(180);

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutU32(Bytes& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(v >> (8 * i));
}

// A 24-bit picture of the given width, at least height rows high, whose
// pixel array has room for a hidden file of capacity bytes.
Bytes MakeCover(std::size_t capacity, std::uint32_t width = 64, std::uint32_t height = 64) {
  const std::size_t row = (std::size_t{width} * 3 + 3) & ~std::size_t{3};
  const std::size_t needed = 12 + 12 * ((capacity + 2) / 3);
  height = std::max<std::uint32_t>(height, static_cast<std::uint32_t>((needed + row - 1) / row));
  Bytes bmp(54 + row * height);
  std::mt19937 random(7);
  for (std::size_t i = 54; i < bmp.size(); ++i) bmp[i] = static_cast<std::uint8_t>(random());
  bmp[0] = 'B', bmp[1] = 'M';
  PutU32(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
  PutU32(bmp, 6, 0);
  PutU32(bmp, 10, 54);
  PutU32(bmp, 14, 40);
  PutU32(bmp, 18, width);
  PutU32(bmp, 22, height);
  bmp[26] = 1;
  bmp[28] = 24;
  for (std::size_t i = 30; i < 54; ++i) bmp[i] = 0;
  return bmp;
}

std::string ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return FromWide(name);
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
  const bool matches =
      search->child_class ? FindChild(hwnd, search->child_class) != nullptr : WindowText(hwnd) == *search->title;
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
  wchar_t path[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, path);
  return FromWide(path) + "veilwright-self-test-" + std::to_string(GetCurrentProcessId());
}

}  // namespace

// The user's stored preference to wipe after extraction, set to 2 (the
// greyed box) for the run and put back as it was afterwards.
class PreferenceForTheRun {
 public:
  PreferenceForTheRun() {
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
    DWORD size = sizeof saved_ - sizeof(wchar_t);
    had_value_ =
        RegQueryValueExW(key_, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(saved_), &size) == ERROR_SUCCESS;
    RegSetValueExW(key_, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"2"), 2 * sizeof(wchar_t));
  }
  ~PreferenceForTheRun() {
    if (had_value_)
      RegSetValueExW(key_, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_),
                     static_cast<DWORD>((wcslen(saved_) + 1) * sizeof(wchar_t)));
    else
      RegDeleteValueW(key_, kValue);
    RegCloseKey(key_);
  }

 private:
  static constexpr const wchar_t* kKey = L"Software\\Nerox\\Murkquill";
  static constexpr const wchar_t* kValue = L"clearBMP";
  HKEY key_ = nullptr;
  wchar_t saved_[256] = {};
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
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--work" && i + 1 < args.size()) work_ = args[++i];
    if (args[i] == "--foreign" && i + 3 < args.size()) foreign_ = {args[i + 1], args[i + 2], args[i + 3]}, i += 3;
    if (args[i] == "--sealed" && i + 3 < args.size()) sealed_ = {args[i + 1], args[i + 2], args[i + 3]}, i += 3;
    if (args[i] == "--dpi" && i + 1 < args.size()) dpi_ = std::atoi(args[++i].c_str());
  }
  driver_ = std::thread([this] {
    Script();
    done_ = true;
    PostMessageW(window_.hwnd(), WM_CLOSE, 0, 0);
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
  Check(shown == text,
        "the box \"" + title + "\" says \"" + text + "\"" + (shown == text ? "" : " (it says \"" + shown + "\")"));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

void SelfTest::AnswerFile(const std::string& title, const std::string& path) {
  HWND dialog = WaitForDialog(title);
  if (!dialog) return;
  Sleep(200);  // let the dialog finish filling its folder view
  HWND name = GetDlgItem(dialog, cmb13);
  if (!name) name = GetDlgItem(dialog, edt1);
  if (!name) name = FindChild(dialog, "Edit");
  Check(name != nullptr, "the dialog \"" + title + "\" has a file-name box");
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToWide(path).c_str()));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void SelfTest::AnswerFolder(const std::string& path) {
  HWND dialog = WaitForDialog("the folder browser", "SysTreeView32");
  if (!dialog) return;
  Sleep(200);
  const std::wstring wide = ToWide(path);
  SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
  Sleep(200);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void SelfTest::AnswerInput(const std::string& title, const std::string& typed, bool masked) {
  HWND dialog = WaitForDialog(title);
  if (!dialog) return;
  Check(WindowText(GetDlgItem(dialog, kInputBoxPrompt)) == "请输入密码： ", "the input box asks for the password");
  Check(WindowText(GetDlgItem(dialog, IDOK)) == "确定" && WindowText(GetDlgItem(dialog, IDCANCEL)) == "取消",
        "the input box's buttons read 确定 and 取消");
  const bool shown_masked = (GetWindowLongW(GetDlgItem(dialog, kInputBoxEdit), GWL_STYLE) & ES_PASSWORD) != 0;
  Check(shown_masked == masked,
        masked ? "a sealed picture's password box masks what is typed" : "the password gate's box shows what is typed");
  SendDlgItemMessageW(dialog, kInputBoxEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToWide(typed).c_str()));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void SelfTest::CancelInput(const std::string& title) {
  HWND dialog = WaitForDialog(title);
  if (!dialog) return;
  Check((GetWindowLongW(GetDlgItem(dialog, kInputBoxEdit), GWL_STYLE) & ES_PASSWORD) != 0,
        "a sealed picture's password box masks what is typed");
  SendDlgItemMessageW(dialog, kInputBoxEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed, then cancelled"));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

void SelfTest::CancelFolder() {
  HWND dialog = WaitForDialog("the folder browser", "SysTreeView32");
  if (!dialog) return;
  Sleep(200);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

bool SelfTest::NoDialogOpen() {
  const std::string none;
  DialogSearch search{&answered_, &none, "Button", nullptr};
  EnumThreadWindows(GetWindowThreadProcessId(window_.hwnd(), nullptr), FindDialogProc,
                    reinterpret_cast<LPARAM>(&search));
  return search.found == nullptr;
}

void SelfTest::Click(const std::string& control) {
  step_ = "clicking " + control;
  HWND hwnd = window_.controls().FindControl(control)->hwnd();
  PostMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(window_.CommandId(control), BN_CLICKED),
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

// Ctrl+O, the picture typed into the dialog, and the inspection done.
void SelfTest::OpenCover(const std::string& path) {
  PressCtrlO();
  AnswerFile("打开 BMP图片", path);  // found only if Ctrl+O opened it
  WaitFor("the inspection of " + path, [&] { return Text("Text1") == "宿主图片:" + path; });
}

void SelfTest::DropFile(const std::string& control, const std::string& path) {
  step_ = "dropping a file onto " + control;
  const RECT place = PlaceInClient(window_.hwnd(), window_.controls().FindControl(control)->hwnd());
  const std::wstring name = ToWide(path);
  const SIZE_T size = sizeof(DROPFILES) + (name.size() + 2) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, size);
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->pt = POINT{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
  files->fNC = FALSE;
  files->fWide = TRUE;
  std::memcpy(reinterpret_cast<std::uint8_t*>(files) + sizeof(DROPFILES), name.c_str(), name.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  PostMessageW(window_.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);  // the window frees it
}

// Characters as the keyboard (or an input method) delivers them: one
// WM_CHAR each, UTF-16 code units.
void SelfTest::Type(const std::string& control, const std::wstring& text) {
  HWND hwnd = window_.controls().FindControl(control)->hwnd();
  for (wchar_t c : text) PostMessageW(hwnd, WM_CHAR, static_cast<WPARAM>(c), 1);
  // Wait until the box has seen them all.
  SendMessageW(hwnd, WM_NULL, 0, 0);
}

void SelfTest::Clear(const std::string& control) {
  SendMessageW(window_.controls().FindControl(control)->hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
}

std::string SelfTest::Text(const std::string& control) {
  return WindowText(window_.controls().FindControl(control)->hwnd());
}

std::string SelfTest::Picture() {
  const auto picture = window_.controls().FindControl("Imagepre")->Get("Picture");
  return picture ? std::get<std::string>(*picture) : std::string("(none)");
}

int SelfTest::CheckValue(const std::string& control) {
  return static_cast<int>(SendMessageW(window_.controls().FindControl(control)->hwnd(), BM_GETCHECK, 0, 0));
}

// The window answers a message within a few seconds: it is not hung.
bool SelfTest::Responds() {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window_.hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

void SelfTest::Script() {
  if (dpi_ != 0) {
    WaitFor("the window", [&] { return IsWindowVisible(window_.hwnd()) != FALSE; });
    return CheckDrawingAtDpi(dpi_);
  }
  std::filesystem::create_directories(PathOf(work_ + "\\out"));
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
  wchar_t program[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring program_path(program);
  const std::string folder = FromWide(program_path.substr(0, program_path.find_last_of(L'\\')));
  Check(Text("Text3") == folder, "Text3 shows the program's folder");
  Check(CheckValue("ChkclearBmp") == 2, "ChkclearBmp starts greyed: the stored preference is 2");
  Check(CheckValue("ChkPassword") == 0, "ChkPassword starts unticked");
  CheckDesignGeometry();
  CheckNothingClipped();
  CheckProportionalLayout();

  // Enter on a focused button presses it.
  PressEnterOn("cmdadd");
  Answer("错误 ", "  请先选择图片！  ", IDOK);

  OpenDamagedPictures();
  OpenPicturesByAnyName();

  // Ctrl+O opens the picture dialog; the cover is inspected.
  OpenCover(cover);
  Check(Picture() == cover, "the preview shows the cover");
  const std::string hint = "您可以加密的文件大小不超过" + std::to_string(ReadAll(cover).size() / 4092) + "KB";
  const std::string shown = Text("Text2");
  Check(shown == hint,
        "Text2 shows the capacity hint \"" + hint + "\"" + (shown == hint ? "" : " (it shows \"" + shown + "\")"));

  Click("CmdMsgSelect");
  AnswerFile("选择需要加密的文件", payload);
  WaitFor("the file to hide in TxtName", [&] { return Text("TxtName") == payload; });

  // A password typed without the tick is never dropped without a word: No,
  // the default, keeps the picture as it is.
  const Bytes clean = ReadAll(cover);
  Type("Text4", L"pw");
  Type("Text5", L"pw");
  Click("cmdadd");
  Answer("警告！", "您在密码框中输入了密码，但没有勾选“密码（最长八位）”，文件将不受密码保护。\n仍要不设密码加密吗？",
         IDNO);
  Sleep(300);
  Check(ReadAll(cover) == clean, "declining to hide without the typed password leaves the picture untouched");
  Clear("Text4");
  Clear("Text5");

  // A click ticks the greyed clear box, as it ticks an empty one.
  Click("ChkclearBmp");
  WaitFor("ChkclearBmp to leave its greyed state", [&] { return CheckValue("ChkclearBmp") != 2; });
  Check(CheckValue("ChkclearBmp") == 1, "a click ticks the greyed ChkclearBmp");

  Click("ChkPassword");
  WaitFor("ChkPassword ticked", [&] { return CheckValue("ChkPassword") == 1; });
  Check(IsWindowEnabled(window_.controls().FindControl("Text4")->hwnd()) &&
            IsWindowEnabled(window_.controls().FindControl("Text5")->hwnd()),
        "both password boxes follow the tick");
  RefuseUnstorablePasswords();
  Type("Text4", L"abc");
  Type("Text5", L"abc");

  step_ = "hiding";
  Click("cmdadd");
  Answer("准备", "    按下[确定]键将开始执行加密    ", IDOK);
  Answer("消息", "加密完成！", IDOK);
  WaitFor("the completion caption", [&] { return Text("Labtmp") == "加密完成！"; });
  CopyFileW(LongPath(cover).c_str(), LongPath(work_ + "\\hidden-by-windows.bmp").c_str(), FALSE);
  const Bytes marked = ReadAll(cover);
  Check(marked.size() > 10 && marked[9] == 0x18 && marked[6] == (5000 & 0xFF) && marked[7] == (5000 >> 8),
        "the picture's marker holds the length and the password flag");

  CheckPasswordGate(cover);

  // Extraction into a chosen folder, with the password, and the wipe.
  Click("cmdopen");
  AnswerFile("打开 BMP图片", cover);
  WaitFor("the marked picture's inspection", [&] { return Text("Labtmp") == "图片内有文件"; });
  Click("cmdchgOutPath");
  AnswerFolder(out);
  WaitFor("the output folder in Text3", [&] { return Text("Text3") == out + "\\"; });
  Check(Text("Text3") == out + "\\", "the folder dialog's choice becomes the output folder");
  // The folder's box takes folders dropped onto it, and a file for its
  // folder; a folder typed into it is taken when the browser is cancelled.
  DropFile("Text3", work_);
  WaitFor("a dropped folder in Text3", [&] { return Text("Text3") == work_ + "\\"; });
  DropFile("Text3", payload);
  Sleep(300);
  Check(Text("Text3") == work_ + "\\", "a file dropped onto Text3 gives its folder");
  Clear("Text3");
  Type("Text3", ToWide(out));
  // Posted keys may still be queued behind the sent WM_NULL: wait for them.
  WaitFor("the typed folder in Text3", [&] { return Text("Text3") == out; });
  Check(Text("Text3") == out, "a folder is typed into Text3");
  Click("cmdchgOutPath");
  CancelFolder();
  WaitFor("the typed folder taken as the output folder", [&] { return Text("Text3") == out + "\\"; });
  Check(Text("Text2") == "加密文件将被解压到：" + out + "\\output.txt", "Text2 names the typed output folder");
  // Enter in the box takes a typed folder without the browser.
  for (const std::string& typed : {work_, out}) {
    Clear("Text3");
    Type("Text3", ToWide(typed));
    WaitFor("a folder typed for Enter", [&] { return Text("Text3") == typed; });
    PressEnterOn("Text3");
    WaitFor("the folder taken on Enter", [&] { return Text("Text3") == typed + "\\"; });
    Check(Text("Text2") == "加密文件将被解压到：" + typed + "\\output.txt", "Enter in Text3 takes the typed folder");
  }

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

  ExtractSealedHere();
  HideInTheFormsDialogs();

  if (!foreign_.empty()) ExtractForeign();
  if (!sealed_.empty()) ExtractSealed();
}

// Pictures cut short, or nothing but a header: the window inspects them by
// their headers, shows no preview, and stays responsive.
void SelfTest::OpenDamagedPictures() {
  step_ = "opening damaged pictures";
  const Bytes whole = MakeCover(0, 100, 300);  // 90,054 bytes
  const std::string cut = work_ + "\\cut.bmp", header = work_ + "\\header.bmp", cut_marked = work_ + "\\cut-marked.bmp";
  WriteAll(cut, Bytes(whole.begin(), whole.begin() + 30000));
  WriteAll(header, Bytes(whole.begin(), whole.begin() + 40));
  Bytes marked = whole;
  PutU32(marked, 6, 0x10000000 | 20000);
  marked.resize(30000);
  WriteAll(cut_marked, marked);
  // Their headers promise pixels the files do not hold: each is refused as
  // no cover, and the picture chosen before stays chosen.
  const std::string good = work_ + "\\whole.bmp";
  WriteAll(good, whole);
  OpenCover(good);
  for (const std::string& path : {cut, header, cut_marked}) {
    PressCtrlO();
    AnswerFile("打开 BMP图片", path);
    Answer("Veilwright", "图片不是BMP格式，请选择BMP图片！", IDOK);
    Sleep(300);
    Check(Text("Text1") == "宿主图片:" + good,
          "a damaged picture (" + path.substr(path.find_last_of('\\') + 1) + ") is refused by its header");
    Check(Responds(), "the window stays responsive after a damaged picture");
  }
}

// Names outside the ANSI code page, and paths longer than MAX_PATH, are
// opened as they are, never as a '?'-spelt other file.
void SelfTest::OpenPicturesByAnyName() {
  step_ = "opening pictures by any name";
  const std::string korean = work_ + "\\표지 사진.bmp";
  WriteAll(korean, MakeCover(300));
  OpenCover(korean);
  Check(Picture() == korean, "a picture named in Korean is inspected and shown: " + korean);

  std::string deep = work_;
  while (deep.size() < 300) {
    deep += "\\" + std::string(60, static_cast<char>('a' + deep.size() % 26));
    CreateDirectoryW(LongPath(deep).c_str(), nullptr);
  }
  const std::string long_path = deep + "\\long.bmp";
  const Bytes picture = MakeCover(300);
  HANDLE file = CreateFileW(LongPath(long_path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, picture.data(), static_cast<DWORD>(picture.size()), &written, nullptr);
  CloseHandle(file);
  // The file dialog itself stops at MAX_PATH; a drop from the file manager does not.
  DropFile("Text1", long_path);
  WaitFor("the inspection of the picture under a long path", [&] { return Text("Text1") == "宿主图片:" + long_path; });
  Check(Picture() == long_path,
        "a picture dropped from a path of " + std::to_string(long_path.size()) + " characters is inspected and shown");
}

// Characters the header cannot store are refused with a message, never
// dropped or turned into '?'.
void SelfTest::RefuseUnstorablePasswords() {
  step_ = "typing a password the picture cannot store";
  Type("Text4", L"中文1");
  Answer("警告！", "密码最长八位，只能使用英文字母、数字和符号！", IDOK);
  Sleep(300);
  const std::string typed = Text("Text4");
  Check(typed.find('?') == std::string::npos && typed.find("中") == std::string::npos,
        "the password box kept no stand-in for what it refused (it holds \"" + typed + "\")");
  Clear("Text4");
}

// The gate follows the picture: ticking and unticking the password box
// opens nothing, and a password that is not the stored one is refused.
void SelfTest::CheckPasswordGate(const std::string& cover) {
  step_ = "trying the password gate";
  Click("cmdopen");
  AnswerFile("打开 BMP图片", cover);
  WaitFor("the marked picture's inspection", [&] { return Text("Labtmp") == "图片内有文件"; });
  Click("ChkPassword");
  WaitFor("ChkPassword unticked", [&] { return CheckValue("ChkPassword") == 0; });
  Click("ChkPassword");
  WaitFor("ChkPassword ticked", [&] { return CheckValue("ChkPassword") == 1; });
  Click("ChkPassword");
  WaitFor("ChkPassword unticked", [&] { return CheckValue("ChkPassword") == 0; });
  Click("cmdout");
  AnswerInput("核实权限", "中文c");
  Answer("密码不正确", "对不起，您无权取出文件！", IDOK);
  Check(Responds(), "a wrong password, typed in Chinese, is refused");
}

void SelfTest::PressEnterOn(const std::string& control) {
  step_ = "pressing Enter on " + control;
  HWND button = window_.controls().FindControl(control)->hwnd();
  SetForegroundWindow(window_.hwnd());
  // Focus moves as a click would move it; this thread may only set it while
  // sharing the window thread's input.
  const DWORD window_thread = GetWindowThreadProcessId(window_.hwnd(), nullptr);
  AttachThreadInput(GetCurrentThreadId(), window_thread, TRUE);
  SetFocus(button);
  AttachThreadInput(GetCurrentThreadId(), window_thread, FALSE);
  WaitFor(control + " focused", [&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window_.hwnd(), nullptr), &info) && info.hwndFocus == button;
  });
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_RETURN;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

// At another DPI (set for the Wine prefix), every control is drawn at that
// DPI: its rectangle is the 96-dpi one scaled, and no text is clipped.
void SelfTest::CheckDrawingAtDpi(int dpi) {
  step_ = "checking the drawing at " + std::to_string(dpi) + " dpi";
  const TwipScale& scale = window_.scale();
  Check(static_cast<int>(scale.dpi_x) == dpi && static_cast<int>(scale.dpi_y) == dpi,
        "the window draws at " + std::to_string(dpi) + " dpi (it draws at " + std::to_string(int(scale.dpi_x)) + ")");
  CheckDesignGeometry();
  const double factor = dpi / 96.0;
  const TwipScale at96{96, 96};
  std::string off;
  for (const auto& design : ui::MainWindow().controls) {
    if (design.kind == ControlKind::kMenuItem || design.auto_size) continue;
    const RECT shown = PlaceInClient(window_.hwnd(), window_.controls().FindControl(design.name)->hwnd());
    const RECT base = DesignRect(design, at96);
    const auto scaled = [&](LONG value, LONG base_value) { return std::abs(value - base_value * factor) <= 1.5; };
    if (!scaled(shown.left, base.left) || !scaled(shown.top, base.top) ||
        !scaled(shown.right - shown.left, base.right - base.left) ||
        !scaled(shown.bottom - shown.top, base.bottom - base.top))
      off += " " + design.name;
  }
  Check(off.empty(), "every control is " + std::to_string(factor) + " times its 96-dpi size and place" +
                         (off.empty() ? std::string() : " (not:" + off + ")"));
  CheckNothingClipped();
}

// Every caption fits its control at the font it is drawn with: one line in
// buttons and check boxes, wrapped within the width in the labels that wrap.
void SelfTest::CheckNothingClipped() {
  std::string clipped;
  for (const auto& design : ui::MainWindow().controls) {
    if (design.kind != ControlKind::kButton && design.kind != ControlKind::kCheckBox &&
        design.kind != ControlKind::kLabel)
      continue;
    HWND hwnd = window_.controls().FindControl(design.name)->hwnd();
    const std::wstring text = ToWide(WindowText(hwnd));
    if (text.empty()) continue;
    RECT room{};
    GetClientRect(hwnd, &room);
    if (design.kind == ControlKind::kCheckBox) room.right -= GetSystemMetrics(SM_CXMENUCHECK) + 4;
    HDC dc = GetDC(hwnd);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    RECT needed = room;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | (design.word_wrap ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    if (needed.right - needed.left > room.right - room.left || needed.bottom - needed.top > room.bottom - room.top)
      clipped += " " + design.name;
  }
  Check(clipped.empty(), "no caption is clipped" + (clipped.empty() ? std::string() : " (clipped:" + clipped + ")"));
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
    if (design.kind == ControlKind::kMenuItem) continue;
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

// A sealed picture whose key takes a while to derive: Cancel in its masked
// password box ends the command; with the password, the window keeps
// answering and says why it waits while the key is derived aside.
void SelfTest::ExtractSealedHere() {
  step_ = "sealing a picture for the window";
  const std::string sealed = work_ + "\\sealed-here.bmp", out = work_ + "\\out";
  auto data = std::make_shared<Bytes>(4000);
  std::mt19937 random(13);
  for (auto& b : *data) b = static_cast<std::uint8_t>(random());
  const auto key = codec::SealKey::Derive("pw", codec::SealParams{3, 128 * 1024, 16});
  auto bytes = std::make_shared<Bytes>(MakeCover(8000));
  MemoryFile picture(bytes), payload(data);
  codec::RunObserver quiet;
  Check(key && codec::Embed({picture, payload, nullptr, "pdf", std::nullopt, &*key}, quiet).ok(),
        "a picture is sealed for the window");
  WriteAll(sealed, *bytes);
  if (CheckValue("ChkclearBmp") != 0) {
    Click("ChkclearBmp");
    WaitFor("ChkclearBmp unticked", [&] { return CheckValue("ChkclearBmp") == 0; });
  }
  Click("cmdopen");
  AnswerFile("打开 BMP图片", sealed);
  WaitFor("the sealed picture's inspection", [&] { return Text("Labtmp") == "图片内有密封的文件"; });

  step_ = "cancelling a sealed picture's password box";
  Click("cmdout");
  CancelInput("核实权限");
  Sleep(500);
  Check(NoDialogOpen() && Text("Labtmp") == "图片内有密封的文件" &&
            !std::filesystem::exists(PathOf(out + "\\output.pdf")),
        "Cancel in a sealed picture's password box cancels: nothing is tried, said or written");

  step_ = "deriving a sealed picture's key";
  Click("cmdout");
  AnswerInput("核实权限", "pw", true);
  const bool said =
      WaitFor("the window to say it checks the password", [&] { return Text("Labtmp") == "正在验证密码，请稍候……"; });
  DWORD_PTR result = 0;
  const bool answers = SendMessageTimeoutW(window_.hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &result) != 0;
  Check(said && answers, "the window answers within 0.2 s while the key is derived, and says why it waits");
  Answer("准备开始", "   加密文件即将解压到：  " + out + "\\output.pdf", IDOK);
  Answer("完成", " 文件解密完成！", IDOK);
  Answer("选择", "     您现在查看文件吗？     ", IDNO);
  WaitFor("the extracted file", [&] { return ReadAll(out + "\\output.pdf") == *data; });
  Check(ReadAll(out + "\\output.pdf") == *data, "the sealed file extracts byte for byte");
}

void SelfTest::ExtractForeign() {
  step_ = "extracting a picture made elsewhere";
  ExtractMadeElsewhere(foreign_, "图片内有文件", false);
  Check(ReadAll(work_ + "\\out\\output." + foreign_[1].substr(foreign_[1].size() - 3)) == ReadAll(foreign_[1]),
        "a picture hidden by another program extracts byte for byte");
}

// A picture sealed elsewhere: the window asks its password with the same box,
// refuses a wrong one, learns the file's name from the seal, and extracts it
// under that name.
void SelfTest::ExtractSealed() {
  step_ = "extracting a sealed picture made elsewhere";
  ExtractMadeElsewhere(sealed_, "图片内有密封的文件", true);
  const std::string hidden_name = sealed_[1].substr(sealed_[1].find_last_of("\\/") + 1);
  Check(ReadAll(work_ + "\\out\\" + hidden_name) == ReadAll(sealed_[1]),
        "a picture sealed elsewhere, under a Chinese password, extracts");
}

// given: the picture, the file it holds (named with its extension), and the
// password. The picture is kept as it is: no wipe.
void SelfTest::ExtractMadeElsewhere(const std::vector<std::string>& given, const std::string& caption,
                                    bool try_a_wrong_password) {
  if (CheckValue("ChkclearBmp") != 0) {
    Click("ChkclearBmp");
    WaitFor("ChkclearBmp unticked", [&] { return CheckValue("ChkclearBmp") == 0; });
  }
  Click("cmdopen");
  AnswerFile("打开 BMP图片", given[0]);
  WaitFor("the inspection of " + given[0], [&] { return Text("Labtmp") == caption; });
  // Only the sealed picture's box masks the password.
  const bool sealed = caption == "图片内有密封的文件";
  if (try_a_wrong_password) {
    Click("cmdout");
    AnswerInput("核实权限", "not it", sealed);
    Answer("密码不正确", "对不起，您无权取出文件！", IDOK);
  }
  // A sealed file comes out under the name it was hidden with; a plain one
  // as output and its extension.
  const std::string hidden_name = given[1].substr(given[1].find_last_of("\\/") + 1);
  const std::string output = work_ + "\\out\\" +
                             (sealed ? hidden_name : "output." + given[1].substr(given[1].size() - 3));
  // An earlier extraction may have left a file of that name: the window
  // asks before it replaces it.
  const bool exists = GetFileAttributesW(ToWide(output).c_str()) != INVALID_FILE_ATTRIBUTES;
  Click("cmdout");
  AnswerInput("核实权限", given[2], sealed);
  if (exists) Answer("警告！", "这个文件已经存在，要用解压出来的文件替换它吗？\n" + output, IDYES);
  Answer("准备开始", "   加密文件即将解压到：  " + output, IDOK);
  Answer("完成", " 文件解密完成！", IDOK);
  Answer("选择", "     您现在查看文件吗？     ", IDNO);
}

}  // namespace veil::win32

namespace veil::win32 {

void SelfTest::SetDialogText(HWND dialog, const ui::WindowSpec& design, const std::string& control,
                             const std::string& text) {
  SendMessageW(GetDlgItem(dialog, static_cast<int>(ControlId(design, control))), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(ToWide(text).c_str()));
}

void SelfTest::TypeInDialog(HWND dialog, const ui::WindowSpec& design, const std::string& control,
                            const std::wstring& text) {
  HWND hwnd = GetDlgItem(dialog, static_cast<int>(ControlId(design, control)));
  for (wchar_t c : text) PostMessageW(hwnd, WM_CHAR, static_cast<WPARAM>(c), 1);
  SendMessageW(hwnd, WM_NULL, 0, 0);
}

std::string SelfTest::DialogText(HWND dialog, const ui::WindowSpec& design, const std::string& control) {
  return WindowText(GetDlgItem(dialog, static_cast<int>(ControlId(design, control))));
}

void SelfTest::ClickInDialog(HWND dialog, const ui::WindowSpec& design, const std::string& control) {
  const UINT id = ControlId(design, control);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, static_cast<int>(id))));
}

void SelfTest::HideInTheFormsDialogs() {
  namespace t = texts::forms;
  // The sealed form takes a larger file than the stealth form in the same cover.
  std::mt19937 random(17);
  Bytes sealed_data(3000), stealth_data(300);
  for (auto& b : sealed_data) b = static_cast<std::uint8_t>(random());
  for (auto& b : stealth_data) b = static_cast<std::uint8_t>(random());
  const std::string payload = work_ + "\\plan.txt", password = "Tq7#vL9pWz!2mK";
  // A cover of gradients and noise: texture enough for the stealth form.
  Bytes cover_bytes = MakeCover(20000, 256, 192);
  for (std::size_t i = 54; i < cover_bytes.size(); ++i)
    cover_bytes[i] = static_cast<std::uint8_t>(60 + (i / 3 % 256) / 3 + ((i / 768) % 192) / 3 + random() % 9);

  for (const bool sealed : {true, false}) {
    const ui::WindowSpec& design = sealed ? ui::SealedHideDialog() : ui::StealthHideDialog();
    const std::string form = sealed ? "sealed" : "stealth";
    const std::string cover = work_ + "\\forms-" + form + ".bmp";
    const std::string output = work_ + "\\forms-" + form + "_" + form + ".bmp";
    const Bytes& data = sealed ? sealed_data : stealth_data;
    WriteAll(payload, data);
    WriteAll(cover, cover_bytes);
    step_ = "hiding in the " + form + " form's dialog";
    Click(sealed ? "formsSealedHide" : "formsStealthHide");
    HWND dialog = WaitForDialog(design.caption);
    if (!dialog) return;
    SetDialogText(dialog, design, "TxtCover", cover);
    SetDialogText(dialog, design, "TxtPayload", payload);
    TypeInDialog(dialog, design, "TxtPassword", ToWide(password));
    TypeInDialog(dialog, design, "TxtConfirm", ToWide(password));
    WaitFor("both passwords typed", [&] { return DialogText(dialog, design, "TxtConfirm") == password; });
    Check(WaitFor("the strength estimate",
                  [&] {
                    return DialogText(dialog, design, "LabStrength").rfind(std::string(t::kStrengthPrefix), 0) == 0;
                  }),
          "the " + form + " dialog estimates the password's strength as it is typed");
    const LONG masked = GetWindowLongW(GetDlgItem(dialog, static_cast<int>(ControlId(design, "TxtPassword"))), GWL_STYLE);
    Check((masked & ES_PASSWORD) != 0, "the " + form + " dialog masks the password");
    ClickInDialog(dialog, design, "CmdStart");
    Answer(std::string(t::kDoneTitle),
           std::string(t::kHideDone) + output + (sealed ? std::string() : std::string(t::kStealthCoverNote)), IDOK);
    WaitFor("the " + form + " dialog to close", [&] { return !IsWindow(dialog); });
    Check(ReadAll(cover) == cover_bytes, "the " + form + " hide leaves its cover as it was");

    auto written = std::make_shared<Bytes>(ReadAll(output));
    MemoryFile picture(written);
    codec::RunObserver quiet;
    Bytes found;
    if (sealed) {
      const auto facts = carrier::ReadCarrierFacts(picture);
      auto opened = codec::OpenSeal(picture, facts, password);
      auto back = std::make_shared<Bytes>();
      MemoryFile back_file(back);
      if (opened.status == codec::OpenedSeal::Status::kOpened &&
          codec::Extract({picture, back_file, std::nullopt, &*opened.key}, quiet).ok())
        found = *back;
    } else {
      const auto opened = codec::OpenStealth({picture, password, codec::stealth::KdfCosts{1, 8}}, quiet);
      if (opened.result.ok()) found = opened.file;
    }
    Check(found == data, "the codec opens the " + form + " dialog's picture byte for byte");
  }

  step_ = "opening the stealth picture in the password dialog";
  const ui::WindowSpec& design = ui::OpenWithPasswordDialog();
  const std::string picture = work_ + "\\forms-stealth_stealth.bmp";
  Click("formsOpen");
  HWND dialog = WaitForDialog(design.caption);
  if (!dialog) return;
  SetDialogText(dialog, design, "TxtCover", picture);
  SetDialogText(dialog, design, "TxtOutput", work_ + "\\out");
  TypeInDialog(dialog, design, "TxtPassword", ToWide(password));
  WaitFor("the password typed", [&] { return DialogText(dialog, design, "TxtPassword") == password; });
  ClickInDialog(dialog, design, "CmdStart");
  Answer(std::string(t::kDoneTitle), std::string(t::kOpenDone) + work_ + "\\out\\plan.txt", IDOK);
  WaitFor("the password dialog to close", [&] { return !IsWindow(dialog); });
  Check(ReadAll(work_ + "\\out\\plan.txt") == stealth_data,
        "the password dialog takes the stealth file out byte for byte");
}

}  // namespace veil::win32
