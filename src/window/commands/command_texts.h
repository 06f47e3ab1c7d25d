#pragma once

#include <string_view>

namespace veil::texts {

// The runs: progress, completion and failure.
inline constexpr std::string_view kProgressCaption = "                        完成度";
inline constexpr std::string_view kTooLarge = "文件太大，无法完成加密保护！";
inline constexpr std::string_view kTooLargeTitle = "注意";
inline constexpr std::string_view kEmbedFailure =
    "发生了异常错误，可能是 BMP文件为只读属性，请检查！若无法解决问题，请与作者联系！";
inline constexpr std::string_view kEmbedDone = "加密完成！";
inline constexpr std::string_view kEmbedDoneTitle = "消息";
inline constexpr std::string_view kExtractFailure =
    "发生了异常错误，也许是输出文件的相关属性设置不正确，比如为只读属性，请确认，若无法解决问题，请与作者联系！";

// Cover inspection.
inline constexpr std::string_view kOpenPictureTitle = "打开 BMP图片";
inline constexpr std::string_view kNotBmp = "图片不是BMP格式，请选择BMP图片！";
inline constexpr std::string_view kCoverPrefix = "宿主图片:";
inline constexpr std::string_view kHoldsFile = "图片内有文件";
inline constexpr std::string_view kOutputPrefix = "加密文件将被解压到：";
inline constexpr std::string_view kClean = "这张图片没有加密文件，可用于执行加密操作";
inline constexpr std::string_view kCapacityPrefix = "您可以加密的文件大小不超过";
inline constexpr std::string_view kCapacitySuffix = "KB";
// Our own: a picture that cannot be read.
inline constexpr std::string_view kCannotReadPicture = "无法读取这个文件，请确认文件存在并且可以读取！";
// What Text1 and Text2 say while no picture is chosen: the window's initial
// texts, shown again when the current picture is refused.
inline constexpr std::string_view kChooseCoverHint = "请选择宿主图片（BMP格式）";
inline constexpr std::string_view kChoosePayloadHint = "请选择需要隐藏的文件（txt,doc,excel）";

// Payload selection.
inline constexpr std::string_view kChooseFileTitle = "选择需要加密的文件";
inline constexpr std::string_view kChoosePictureFirst = "请先选择图片！";
inline constexpr std::string_view kNoticeTitle = "注意";
inline constexpr std::string_view kErrorTitle = "错误";
inline constexpr std::string_view kPictureHasFile = "图片里有信息，不可选择文件";
inline constexpr std::string_view kPayloadPrefix = "欲加密的文件:";
inline constexpr std::string_view kUnsupportedName = "该文件名不被支持,请确认文件有且仅有3位扩展名！！！";

// Hide command.
inline constexpr std::string_view kHideNoPicture = "  请先选择图片！  ";
inline constexpr std::string_view kHideNoPictureTitle = "错误 ";
inline constexpr std::string_view kHideAlreadyHolds = "   图片内有隐藏信息，不可再次加入文件！  ";
inline constexpr std::string_view kHideNoPayload = "   请选择需要加密的文件！   ";
inline constexpr std::string_view kPasswordMismatch = " 密码不相同！！";
inline constexpr std::string_view kWarningTitle = "警告！";
inline constexpr std::string_view kHideConfirm = "    按下[确定]键将开始执行加密    ";
inline constexpr std::string_view kHideConfirmTitle = "准备";
// Our own: what the header cannot hold, and a picture hidden in itself.
inline constexpr std::string_view kPasswordNotStorable = "密码最长八位，只能使用英文字母、数字和符号！";
inline constexpr std::string_view kUnprotectedQuestion =
    "您在密码框中输入了密码，但没有勾选“密码（最长八位）”，文件将不受密码保护。\n仍要不设密码加密吗？";
inline constexpr std::string_view kPayloadIsCover = "不能把图片本身隐藏到这张图片中，请选择其他文件！";

// Extract command.
inline constexpr std::string_view kExtractNoPicture = "    请先选择图片！   ";
inline constexpr std::string_view kNothingToExtract = "没有文件可以解压！";
inline constexpr std::string_view kVersionDiffers = "      版本号不同，请升级软件！    ";
inline constexpr std::string_view kVersionTitle = "注意！";
inline constexpr std::string_view kPasswordPrompt = "请输入密码： ";
inline constexpr std::string_view kPasswordPromptTitle = "核实权限";
inline constexpr std::string_view kWrongPassword = "对不起，您无权取出文件！";
inline constexpr std::string_view kWrongPasswordTitle = "密码不正确";
inline constexpr std::string_view kExtractConfirm = "   加密文件即将解压到：  ";
inline constexpr std::string_view kExtractConfirmTitle = "准备开始";
inline constexpr std::string_view kExtractDone = " 文件解密完成！";
inline constexpr std::string_view kExtractDoneTitle = "完成";
inline constexpr std::string_view kViewQuestion = "     您现在查看文件吗？     ";
inline constexpr std::string_view kDeleteQuestion = "  您要删除解压出来的文件吗？  ";
inline constexpr std::string_view kChoiceTitle = "选择";
inline constexpr std::string_view kDeletedSuffix = "  已删除！";
inline constexpr std::string_view kMessageTitle = "消息";
inline constexpr std::string_view kCannotDelete = "无法删除这个文件，它仍然保留在原处：";
inline constexpr std::string_view kCannotView = "没有可以打开这个文件的程序，文件仍然保留在原处：";
inline constexpr std::string_view kWiped = "    文件已清除    ";
inline constexpr std::string_view kWipedStatus = "加密文件已被清除！";
inline constexpr std::string_view kNoPayloadAnyMore = "欲加密的文件：无";
// Our own: a picture whose marker promises more than the file holds, or
// whose pixel data cannot lie where its header says: its own fault, not the
// output's.
inline constexpr std::string_view kPictureDamaged =
    "图片已损坏：图片头记录的隐藏文件超出了图片文件的实际内容（图片可能被截短或改动过），无法取出！";
// Our own: an output that would replace a file (the path follows), or the
// picture itself.
inline constexpr std::string_view kOutputExists = "这个文件已经存在，要用解压出来的文件替换它吗？\n";
inline constexpr std::string_view kOutputIsPicture = "不能把文件解压到图片本身，请选择其他保存位置：";
// Our own: an output that cannot be written, a marker that cannot be wiped.
inline constexpr std::string_view kCannotWriteOutput = "无法写入输出文件，请确认保存位置存在并且可以写入：";
inline constexpr std::string_view kCannotWipe = "无法清除图片中的信息，图片可能为只读属性，请检查！";

// Our own: another program is working on the picture.
inline constexpr std::string_view kPictureInUse = "图片正在被其他程序使用，请稍后再试！";

// Our own: sealed pictures (format version 2), which the window reads.
inline constexpr std::string_view kHoldsSealedFile = "图片内有密封的文件";
inline constexpr std::string_view kSealedOutputPrefix = "密封的文件将在输入密码后解压到：";
inline constexpr std::string_view kSealUnacceptable =
    "这张图片中的密封文件需要的内存或时间超出本软件的限制，或者格式无法识别，无法取出！";
inline constexpr std::string_view kSealDamaged = "图片中的密封文件已损坏，无法取出！";
inline constexpr std::string_view kSealChanged = "图片在密封之后被改动过，密封的文件无法取出！";
inline constexpr std::string_view kSealTruncated = "图片中的密封文件不完整（图片在密封之后被截短），无法取出！";
// While the password of a sealed picture is tried: the slow, memory-hungry
// step, done aside.
inline constexpr std::string_view kDerivingKey = "正在验证密码，请稍候……";
// The memory the key derivation asks for, in MB, goes between the two.
inline constexpr std::string_view kSealMemoryPrefix = "验证这张图片的密码需要";
inline constexpr std::string_view kSealMemorySuffix =
    "MB内存，本机未能分配这么多内存（32位Windows程序通常无法分配1GB），文件无法取出！请关闭其他程序后重试，或在64位系统"
    "上取出。";

// Output folder.
inline constexpr std::string_view kBrowseFolderTitle = "选择解密文件夹";

}  // namespace veil::texts
