#pragma once

#include <string_view>

// The main window's controls and menu entries, by the names of its control
// table. Every command, the window's definition and the tests use these, so
// that a misspelt name cannot compile.
namespace veil::names {

inline constexpr std::string_view kFrame1 = "Frame1";
inline constexpr std::string_view kLabel1 = "Label1";
inline constexpr std::string_view kText1 = "Text1";
inline constexpr std::string_view kCmdopen = "cmdopen";
inline constexpr std::string_view kLabel2 = "Label2";
inline constexpr std::string_view kText2 = "Text2";
inline constexpr std::string_view kCmdMsgSelect = "CmdMsgSelect";
inline constexpr std::string_view kLabel3 = "Label3";
inline constexpr std::string_view kText3 = "Text3";
inline constexpr std::string_view kCmdchgOutPath = "cmdchgOutPath";
inline constexpr std::string_view kLabel5 = "Label5";
inline constexpr std::string_view kText4 = "Text4";
inline constexpr std::string_view kLabel6 = "Label6";
inline constexpr std::string_view kText5 = "Text5";
inline constexpr std::string_view kCmdadd = "cmdadd";
inline constexpr std::string_view kFrame2 = "Frame2";
inline constexpr std::string_view kImagepre = "Imagepre";
inline constexpr std::string_view kFrame3 = "Frame3";
inline constexpr std::string_view kFrame4 = "Frame4";
inline constexpr std::string_view kCmdexit = "Cmdexit";
inline constexpr std::string_view kLabel9 = "Label9";
inline constexpr std::string_view kCmdout = "cmdout";
inline constexpr std::string_view kTxtName = "TxtName";
inline constexpr std::string_view kLabfinish = "labfinish";
inline constexpr std::string_view kLabtmp = "Labtmp";
inline constexpr std::string_view kChkPassword = "ChkPassword";
inline constexpr std::string_view kChkclearBmp = "ChkclearBmp";
// The menu.
inline constexpr std::string_view kFlie = "flie";
inline constexpr std::string_view kOpen = "open";
inline constexpr std::string_view kHelp = "help";
inline constexpr std::string_view kOut = "out";

}  // namespace veil::names
