#pragma once

#include <string_view>

// Every text of the sealed and stealth forms in the window: the menu, the
// dialogs, their messages and what the codec's results say there.
namespace veil::texts::forms {

// The menu.
inline constexpr std::string_view kMenu = "密码保护";
inline constexpr std::string_view kMenuSealedHide = "用密封形式隐藏文件…";
inline constexpr std::string_view kMenuStealthHide = "用隐身形式隐藏文件…";
inline constexpr std::string_view kMenuOpen = "用密码打开图片…";

// The dialogs' titles and captions.
inline constexpr std::string_view kSealedHideTitle = "用密封形式隐藏文件（BMP图片）";
inline constexpr std::string_view kStealthHideTitle = "用隐身形式隐藏文件（BMP、PNG、JPEG图片）";
inline constexpr std::string_view kOpenTitle = "用密码打开图片";
inline constexpr std::string_view kCoverLabel = "宿主图片";
inline constexpr std::string_view kPictureLabel = "图片";
inline constexpr std::string_view kPayloadLabel = "隐藏文件";
inline constexpr std::string_view kOutputPictureLabel = "输出图片";
inline constexpr std::string_view kOutputFolderLabel = "保存位置";
inline constexpr std::string_view kPasswordLabel = "密码";
inline constexpr std::string_view kConfirmLabel = "确认密码";
inline constexpr std::string_view kBrowse = "浏览…";
inline constexpr std::string_view kStartHide = "开始隐藏";
inline constexpr std::string_view kStartOpen = "打开";
inline constexpr std::string_view kCancel = "取消";

// The file dialogs.
inline constexpr std::string_view kChooseBmpTitle = "选择BMP图片";
inline constexpr std::string_view kChoosePictureTitle = "选择图片（BMP、PNG、JPEG）";
inline constexpr std::string_view kChoosePayloadTitle = "选择需要隐藏的文件";
inline constexpr std::string_view kChooseOutputFolderTitle = "选择输出图片的保存位置";
inline constexpr std::string_view kChooseExtractFolderTitle = "选择取出文件的保存位置";
inline constexpr std::string_view kBmpFilter = "*.bmp";
inline constexpr std::string_view kPictureFilter = "*.bmp *.png *.jpg *.jpeg";
inline constexpr std::string_view kAnyFilter = "*.*";

// Capacity, before a run.
inline constexpr std::string_view kCapacityPrefix = "可隐藏的文件最大为";
// The file's name travels with it and counts.
inline constexpr std::string_view kCapacitySuffix = "字节（含文件名）";
inline constexpr std::string_view kNoCapacity = "这张图片太小，无法隐藏文件";
inline constexpr std::string_view kTooFlatCapacity = "这张图片可改动的地方太少，无法用隐身形式隐藏文件";
inline constexpr std::string_view kMeasuring = "正在计算容量，请稍候……";
inline constexpr std::string_view kNotBmpCover = "密封形式只能使用24位BMP图片，请选择BMP图片！";
inline constexpr std::string_view kNotStealthCover = "这个文件不是可以使用的BMP、PNG或JPEG图片：";
inline constexpr std::string_view kCoverHoldsFile = "这张图片里已经有隐藏的文件，不可再次加入文件！";
inline constexpr std::string_view kWasJpegCover =
    "这张图片的颜色来自一张JPEG图片，隐身文件会因此暴露，请直接使用原来的JPEG图片，或换一张图片！";
inline constexpr std::string_view kHoldsSealed = "图片内有密封的文件，输入密码即可取出";
inline constexpr std::string_view kHoldsNoMarker = "图片上没有标记：若有隐身的文件，输入密码即可取出";
inline constexpr std::string_view kHoldsPlain = "这张图片里是普通形式的文件，请在主窗口中用“解密文件”取出！";
inline constexpr std::string_view kHoldsForeign = "      版本号不同，请升级软件！    ";

// Password strength.
inline constexpr std::string_view kStrengthPrefix = "密码强度：";
inline constexpr std::string_view kStrengthVeryWeak = "很弱";
inline constexpr std::string_view kStrengthWeak = "弱";
inline constexpr std::string_view kStrengthFair = "中等";
inline constexpr std::string_view kStrengthStrong = "强";
// The estimated guesses, as a power of ten, go between the two.
inline constexpr std::string_view kGuessesPrefix = "（约需猜测10^";
inline constexpr std::string_view kGuessesSuffix = "次）";
inline constexpr std::string_view kStrengthUnknown = "密码强度：无法估计";

// Checks before a run.
inline constexpr std::string_view kNoCover = "请先选择宿主图片！";
inline constexpr std::string_view kNoPicture = "请先选择图片！";
inline constexpr std::string_view kNoPayload = "请选择需要隐藏的文件！";
inline constexpr std::string_view kNoOutput = "请填写输出图片的位置！";
inline constexpr std::string_view kNoFolder = "请选择保存位置！";
inline constexpr std::string_view kNoPassword = "请输入密码！";
inline constexpr std::string_view kPasswordsDiffer = "两次输入的密码不相同，请重新输入！";
inline constexpr std::string_view kPasswordNotText = "密码中有无法识别的字符，请换一个密码！";
inline constexpr std::string_view kVeryWeakQuestion =
    "这个密码很弱，别人很容易猜到。\n仍要使用这个密码吗？";
inline constexpr std::string_view kOutputIsCover = "不能把输出图片写到宿主图片上，请换一个输出位置！";
inline constexpr std::string_view kPayloadIsCover = "不能把图片本身隐藏到这张图片中，请选择其他文件！";
inline constexpr std::string_view kOutputExists = "这个文件已经存在，要替换它吗？\n";
inline constexpr std::string_view kOutputKindMismatch = "输出图片的扩展名应与宿主图片的格式相同：";

// While a run goes.
inline constexpr std::string_view kStageReading = "正在读取图片……";
inline constexpr std::string_view kStageKey = "正在由密码生成密钥，请稍候……";
inline constexpr std::string_view kStageCosts = "正在分析图片……";
inline constexpr std::string_view kStageCode = "正在计算隐藏位置……";
inline constexpr std::string_view kStageWriting = "正在写入图片……";
inline constexpr std::string_view kStageReadingBack = "正在核对写入的图片……";
inline constexpr std::string_view kCancelling = "正在取消……";

// Results.
inline constexpr std::string_view kHideDone = "隐藏完成！文件已核对无误，保存在：\n";
inline constexpr std::string_view kStealthCoverNote =
    "\n请注意：别人若同时拿到原图片和输出图片，对比两者就能看出改动，请删除原图片，也不要再用它隐藏文件。";
inline constexpr std::string_view kOpenDone = "文件已取出，保存在：\n";
inline constexpr std::string_view kDoneTitle = "完成";
inline constexpr std::string_view kCancelled = "已取消，没有写入任何文件。";
inline constexpr std::string_view kCancelledTitle = "已取消";
inline constexpr std::string_view kErrorTitle = "错误";
inline constexpr std::string_view kWarningTitle = "警告！";
inline constexpr std::string_view kNothingWritten = "\n没有写入任何文件。";

// The codec's results, as the dialogs tell them.
inline constexpr std::string_view kTooLarge = "文件太大，这张图片放不下！";
inline constexpr std::string_view kTooFlat = "这张图片可改动的地方太少，放不下这个文件！";
inline constexpr std::string_view kNotReadBack = "写入的图片没能读回隐藏的文件，没有保存！";
inline constexpr std::string_view kKeyMemory = "由密码生成密钥需要的内存不够，请关闭其他程序后重试！";
inline constexpr std::string_view kCryptoUnavailable = "加密组件无法启动！";
inline constexpr std::string_view kIoFailure = "读写文件时发生错误：";
inline constexpr std::string_view kNoStealthFile =
    "这个密码在图片中没有找到文件：密码可能不正确，或者图片里没有隐身的文件，或者图片已被改动。";
inline constexpr std::string_view kWrongPassword = "密码不正确，或者图片在密封之后被改动过！";
inline constexpr std::string_view kSealUnacceptable =
    "这张图片中的密封文件需要的内存或时间超出本软件的限制，或者格式无法识别，无法取出！";
inline constexpr std::string_view kSealDamaged = "图片中的密封文件已损坏，无法取出！";
inline constexpr std::string_view kSealChanged = "图片在密封之后被改动过，密封的文件无法取出！";
inline constexpr std::string_view kSealTruncated = "图片中的密封文件不完整（图片在密封之后被截短），无法取出！";
inline constexpr std::string_view kCoverDamaged = "图片已损坏：";
inline constexpr std::string_view kDamaged = "图片已损坏，无法取出！";
inline constexpr std::string_view kNotVerified = "写入的图片没能用这个密码打开，没有保存！";
inline constexpr std::string_view kFailed = "发生了异常错误，没有写入任何文件！";

}  // namespace veil::texts::forms
