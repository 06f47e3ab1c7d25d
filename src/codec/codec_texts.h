#pragma once

#include <string_view>

namespace veil::texts {

inline constexpr std::string_view kProgressCaption = "                        完成度";
inline constexpr std::string_view kTooLarge = "文件太大，无法完成加密保护！";
inline constexpr std::string_view kTooLargeTitle = "注意";
inline constexpr std::string_view kEmbedFailure =
    "发生了异常错误，可能是 BMP文件为只读属性，请检查！若无法解决问题，请与作者联系！";
inline constexpr std::string_view kEmbedDone = "加密完成！";
inline constexpr std::string_view kEmbedDoneTitle = "消息";
inline constexpr std::string_view kExtractFailure =
    "发生了异常错误，也许是输出文件的相关属性设置不正确，比如为只读属性，请确认，若无法解决问题，请与作者联系！";

}  // namespace veil::texts
