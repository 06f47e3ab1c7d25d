#include "platform/win32/win32_dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cstddef>
#include <vector>

#include "platform/win32/win32_text.h"

namespace veil::win32 {
namespace {

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
    do words_.push_back(static_cast<WORD>(*text)); while (*text++);
  }
  std::vector<WORD> words_;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

// The open-file record as it was before Windows 2000 added three members.
constexpr DWORD kOpenFileRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 4 || kOpenFileRecordSize == 76, "a 32-bit program's open-file record is 76 bytes");

struct InputBoxState {
  std::string prompt, title, typed;
};

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, l);
      state = reinterpret_cast<InputBoxState*>(l);
      SetWindowTextA(dialog, ToAnsi(state->title).c_str());
      SetDlgItemTextA(dialog, kInputBoxPrompt, ToAnsi(state->prompt).c_str());
      SetFocus(GetDlgItem(dialog, kInputBoxEdit));
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(w) == IDOK) {
        char text[1024] = {};
        GetDlgItemTextA(dialog, kInputBoxEdit, text, sizeof text);
        state->typed = FromAnsi(text);
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

}  // namespace

int Win32MessageBoxes::Show(std::string_view text, std::string_view title, int style) {
  const std::string caption(title.empty() ? kApplicationTitle : title);
  return MessageBoxA(owner_, ToAnsi(std::string(text)).c_str(), ToAnsi(caption).c_str(),
                     static_cast<UINT>(style));
}

std::string Win32MessageBoxes::Input(std::string_view prompt, std::string_view title) {
  DialogTemplate dialog(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU, 240, 74, 4);
  dialog.Item(SS_LEFT, 8, 8, 170, 30, kInputBoxPrompt, kStatic, L"");
  dialog.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 8, 50, 224, 14, kInputBoxEdit, kEdit, L"");
  dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 186, 8, 46, 14, IDOK, kButton, L"OK");
  dialog.Item(BS_PUSHBUTTON | WS_TABSTOP, 186, 26, 46, 14, IDCANCEL, kButton, L"Cancel");
  InputBoxState state{std::string(prompt), std::string(title.empty() ? kApplicationTitle : title), {}};
  const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), dialog.Get(), owner_, InputBoxProc,
                                                 reinterpret_cast<LPARAM>(&state));
  return result == IDOK ? state.typed : std::string{};
}

std::optional<std::string> Win32FileDialogs::OpenFile(const OpenFileRequest& request) {
  const std::string pattern = ToAnsi(request.filter);
  std::string filter = pattern + '\0' + pattern + '\0' + '\0';
  const std::string title = ToAnsi(request.title);
  const std::string initial_dir = ToAnsi(request.initial_dir);
  char file[256] = {};
  char file_title[256] = {};
  OPENFILENAMEA dialog{};
  dialog.lStructSize = kOpenFileRecordSize;
  dialog.hwndOwner = owner_;
  dialog.hInstance = GetModuleHandleA(nullptr);
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file;
  dialog.nMaxFile = 255;
  dialog.lpstrFileTitle = file_title;
  dialog.nMaxFileTitle = 255;
  dialog.lpstrInitialDir = initial_dir.c_str();
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = 0;
  if (!GetOpenFileNameA(&dialog)) return std::nullopt;
  return FromAnsi(file);
}

std::optional<std::string> Win32FileDialogs::BrowseForFolder(const std::string& title) {
  const std::string text = ToAnsi(title);
  BROWSEINFOA browse{};
  browse.hwndOwner = owner_;
  browse.pidlRoot = nullptr;
  browse.pszDisplayName = nullptr;
  browse.lpszTitle = text.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
  // Room for the longest path the call can return, and its NUL.
  char path[MAX_PATH + 1] = {};
  const BOOL found = chosen && SHGetPathFromIDListA(chosen, path);
  if (chosen) CoTaskMemFree(chosen);
  if (!found) return std::nullopt;
  return FromAnsi(path);
}


}  // namespace veil::win32
