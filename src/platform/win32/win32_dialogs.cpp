#include "platform/win32/win32_dialogs.h"

#include <algorithm>

#include <commdlg.h>
#include <shlobj.h>

#include <cstddef>
#include <vector>

#include "files/win32/win32_text.h"

namespace veil::win32 {
namespace {

// The window a box or dialog belongs over: the main window, or the dialog
// open over it, which stays disabled beneath the box.
HWND TopOwner(HWND main) { return main ? GetLastActivePopup(main) : main; }

// A dialog template in memory: header, then items, each DWORD-aligned.
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short cx, short cy, int items) {
    Dword(style);
    Dword(0);  // extended style
    Word(static_cast<WORD>(items));
    Word(0), Word(0), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(L"");
    Word(9);  // DS_SETFONT: point size and face
    Text(L"MS Shell Dlg");
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, const wchar_t* text) {
    while (words_.size() % 2) words_.push_back(0);
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Word(static_cast<WORD>(x)), Word(static_cast<WORD>(y)), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
    Word(id);
    Word(0xFFFF), Word(atom);
    Text(text);
    Word(0);  // no creation data
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) { Word(LOWORD(d)), Word(HIWORD(d)); }
  void Text(const wchar_t* text) {
    do words_.push_back(static_cast<WORD>(*text));
    while (*text++);
  }
  std::vector<WORD> words_;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

// The open-file record as it was before Windows 2000 added three members.
constexpr DWORD kOpenFileRecordSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR);
static_assert(sizeof(void*) != 4 || kOpenFileRecordSize == 76, "a 32-bit program's open-file record is 76 bytes");

// Room for the longest path Windows accepts.
constexpr DWORD kLongestPath = 32768;

struct InputBoxState {
  std::string prompt, title, typed;
};

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, l);
      state = reinterpret_cast<InputBoxState*>(l);
      SetWindowTextW(dialog, ToWide(state->title).c_str());
      SetDlgItemTextW(dialog, kInputBoxPrompt, ToWide(state->prompt).c_str());
      SetFocus(GetDlgItem(dialog, kInputBoxEdit));
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(w) == IDOK) {
        // Whatever was typed, exactly: a character the picture cannot hold
        // is simply a wrong password, never a '?' that might match.
        const HWND edit = GetDlgItem(dialog, kInputBoxEdit);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        state->typed = FromWide(text);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(w) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

// The one-line input box; nothing when it is cancelled.
std::optional<std::string> AskText(HWND owner, std::string_view prompt, std::string_view title, bool masked) {
  DialogTemplate dialog(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU, 240, 74, 4);
  dialog.Item(SS_LEFT, 8, 8, 170, 30, kInputBoxPrompt, kStatic, L"");
  dialog.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | (masked ? ES_PASSWORD : 0), 8, 50, 224, 14, kInputBoxEdit,
              kEdit, L"");
  dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 186, 8, 46, 14, IDOK, kButton, L"确定");
  dialog.Item(BS_PUSHBUTTON | WS_TABSTOP, 186, 26, 46, 14, IDCANCEL, kButton, L"取消");
  InputBoxState state{std::string(prompt), std::string(title.empty() ? kApplicationTitle : title), {}};
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, InputBoxProc,
                                                 reinterpret_cast<LPARAM>(&state));
  if (result != IDOK) return std::nullopt;
  return state.typed;
}

// The folder browser selects its starting folder once it is up.
int CALLBACK SelectStartingFolder(HWND browser, UINT message, LPARAM, LPARAM folder) {
  if (message == BFFM_INITIALIZED && folder) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, folder);
  return 0;
}

}  // namespace

int Win32MessageBoxes::Show(std::string_view text, std::string_view title, int style) {
  const std::string caption(title.empty() ? kApplicationTitle : title);
  return MessageBoxW(TopOwner(owner_), ToWide(std::string(text)).c_str(), ToWide(caption).c_str(), static_cast<UINT>(style));
}

std::string Win32MessageBoxes::Input(std::string_view prompt, std::string_view title) {
  return AskText(TopOwner(owner_), prompt, title, false).value_or(std::string{});
}

std::optional<std::string> Win32MessageBoxes::InputSecret(std::string_view prompt, std::string_view title) {
  return AskText(TopOwner(owner_), prompt, title, true);
}

std::optional<std::string> Win32FileDialogs::OpenFile(const OpenFileRequest& request) {
  // Shown as given; the dialog separates the patterns of one filter by ';'.
  const std::wstring shown = ToWide(request.filter);
  std::wstring patterns = shown;
  std::replace(patterns.begin(), patterns.end(), L' ', L';');
  const std::wstring filter = shown + L'\0' + patterns + L'\0' + L'\0';
  const std::wstring title = ToWide(request.title);
  const std::wstring initial_dir = ToWide(request.initial_dir);
  std::vector<wchar_t> file(kLongestPath, L'\0');
  std::vector<wchar_t> file_title(kLongestPath, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = kOpenFileRecordSize;
  dialog.hwndOwner = TopOwner(owner_);
  dialog.hInstance = GetModuleHandleW(nullptr);
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kLongestPath - 1;
  dialog.lpstrFileTitle = file_title.data();
  dialog.nMaxFileTitle = kLongestPath - 1;
  dialog.lpstrInitialDir = initial_dir.c_str();
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = 0;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return FromWide(file.data());
}

std::optional<std::string> Win32FileDialogs::BrowseForFolder(const std::string& title,
                                                             const std::string& initial_folder) {
  const std::wstring text = ToWide(title);
  const std::wstring start = ToWide(initial_folder);
  BROWSEINFOW browse{};
  browse.lpfn = SelectStartingFolder;
  browse.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  browse.hwndOwner = TopOwner(owner_);
  browse.pidlRoot = nullptr;
  browse.pszDisplayName = nullptr;
  browse.lpszTitle = text.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
  if (!chosen) return std::nullopt;
  std::vector<wchar_t> path(kLongestPath, L'\0');
  const BOOL found = SHGetPathFromIDListEx(chosen, path.data(), kLongestPath, GPFIDL_DEFAULT);
  CoTaskMemFree(chosen);
  if (!found) return std::nullopt;
  return FromWide(path.data());
}

}  // namespace veil::win32
