// The faults that only show when the real window is used as a person uses
// it: clicks, keys and the real dialogs, against real files.
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>

#include "app/qt/qt_main_window.h"
#include "codec/plain/runs.h"
#include "files/memory_file.h"
#include "modal_driver.h"
#include "platform/scripted/scripted_desktop.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {

using qt::QtMainWindow;

namespace {

const QString kNotStorable = "密码最长八位，只能使用英文字母、数字和符号！";
const QString kUnprotected =
    "您在密码框中输入了密码，但没有勾选“密码（最长八位）”，文件将不受密码保护。\n仍要不设密码加密吗？";

// A width x height 24-bit BMP with its real dimensions in the header.
Bytes Picture(std::uint32_t width, std::uint32_t height) {
  const std::size_t stride = (width * 3 + 3) / 4 * 4;
  Bytes bmp = MakeBmp(54 + stride * height);
  PutU32(bmp, 18, width);
  PutU32(bmp, 22, height);
  return bmp;
}

}  // namespace

class TrustTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string File(const char* name) { return dir_.filePath(name).toStdString(); }
  static QString Q(const std::string& text) { return QString::fromStdString(text); }

  template <typename T>
  T* Widget(QtMainWindow& window, const char* name) {
    T* widget = window.findChild<T*>(name);
    if (!widget) qFatal("no control %s", name);
    return widget;
  }
  void Click(QtMainWindow& window, const char* control) {
    auto* widget = Widget<QAbstractButton>(window, control);
    // A check box takes the click on its box, at its left edge.
    QTest::mouseClick(widget, Qt::LeftButton, {}, qobject_cast<QCheckBox*>(widget) ? QPoint(5, 5) : QPoint());
  }
  void Open(QtMainWindow& window, ModalDriver& driver, const std::string& picture) {
    driver.AnswerFile(Q(picture));
    Click(window, "cmdopen");
  }
  // A clean picture and a file to hide, written and chosen in the window.
  void ChooseCoverAndPayload(QtMainWindow& window, ModalDriver& driver, const std::string& cover, const Bytes& clean,
                             const std::string& payload, const Bytes& data) {
    WriteAll(cover, clean);
    WriteAll(payload, data);
    Open(window, driver, cover);
    driver.AnswerFile(Q(payload));
    Click(window, "CmdMsgSelect");
  }
  // The hide command, confirmed, to its completion box.
  void Hide(QtMainWindow& window, ModalDriver& driver) {
    driver.AnswerBox("    按下[确定]键将开始执行加密    ", QMessageBox::Ok);
    driver.AnswerBox("加密完成！", QMessageBox::Ok);
    Click(window, "cmdadd");
    ExpectDone(driver);
  }
  static void ExpectDone(ModalDriver& driver) {
    QVERIFY2(driver.Done(), "a dialog the test waited for did not come");
    QVERIFY2(driver.Failures().isEmpty(), qPrintable(driver.Failures().join("; ")));
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
  }

  // Ticking and unticking the password box opens nothing: the gate follows
  // the picture.
  void PasswordGateFollowsThePicture() {
    const std::string cover = File("locked.bmp");
    WriteAll(cover, ReferenceHide(Picture(64, 64), RandomBytes(500, 1), "txt", "s3cret", true));
    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    Open(window, driver, cover);
    Click(window, "ChkPassword");
    Click(window, "ChkPassword");
    QVERIFY(!Widget<QCheckBox>(window, "ChkPassword")->isChecked());
    driver.AnswerInput("nope");
    driver.AnswerBox("对不起，您无权取出文件！", QMessageBox::Ok);
    Click(window, "cmdout");
    ExpectDone(driver);
    QVERIFY(!std::filesystem::exists(QCoreApplication::applicationDirPath().toStdString() + "/output.txt"));
  }

  // The stored extension is the chosen file's own, whatever picture was
  // inspected in between.
  void StoredExtensionIsTheChosenFilesOwn() {
    const std::string cover = File("clean.bmp"), other = File("holds-pdf.bmp"), payload = File("x.txt");
    WriteAll(other, ReferenceHide(Picture(64, 64), RandomBytes(100, 2), "pdf", "", false));
    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    ChooseCoverAndPayload(window, driver, cover, Picture(64, 64), payload, RandomBytes(300, 3));
    Open(window, driver, other);
    Open(window, driver, cover);
    Hide(window, driver);
    QCOMPARE(Q(ReferenceExtract(ReadAll(cover)).extension), QString("txt"));
  }

  // A password typed without the tick is never dropped without a word:
  // Enter (No) keeps the picture untouched; Yes hides without a password.
  void TypedPasswordWithoutTheTickIsAskedAbout() {
    const std::string cover = File("ask.bmp"), payload = File("ask.txt");
    const Bytes clean = Picture(64, 64), data = RandomBytes(400, 4);
    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    ChooseCoverAndPayload(window, driver, cover, clean, payload, data);
    QTest::keyClicks(Widget<QLineEdit>(window, "Text4"), "pw");
    QTest::keyClicks(Widget<QLineEdit>(window, "Text5"), "pw");
    driver.AnswerBoxWithEnter(kUnprotected);
    Click(window, "cmdadd");
    ExpectDone(driver);
    QCOMPARE(ReadAll(cover), clean);

    driver.AnswerBox(kUnprotected, QMessageBox::Yes);
    Hide(window, driver);
    QCOMPARE(ReadAll(cover), ReferenceHide(clean, data, "txt", "", false));
  }

  // A character the header cannot store is refused aloud, never dropped in
  // silence; eight storable characters are a whole password; and a
  // non-ASCII answer at extraction is simply a wrong one.
  void PasswordBoxesRefuseAloudAndKeepEightCharacters() {
    const std::string cover = File("pw.bmp"), payload = File("pw.txt");
    const Bytes clean = Picture(64, 64), data = RandomBytes(700, 5);
    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    ChooseCoverAndPayload(window, driver, cover, clean, payload, data);
    Click(window, "ChkPassword");
    auto* first = Widget<QLineEdit>(window, "Text4");
    driver.AnswerBox(kNotStorable, QMessageBox::Ok);
    TypeText(first, "密码ab");
    QTRY_VERIFY_WITH_TIMEOUT(driver.Done(), 5000);
    ExpectDone(driver);
    QCOMPARE(first->text(), QString("ab"));
    first->clear();

    QTest::keyClicks(first, "12345678");
    driver.AnswerBox(kNotStorable, QMessageBox::Ok);
    QTest::keyClicks(first, "9");
    QTRY_VERIFY_WITH_TIMEOUT(driver.Done(), 5000);
    ExpectDone(driver);
    QCOMPARE(first->text(), QString("12345678"));
    QTest::keyClicks(Widget<QLineEdit>(window, "Text5"), "12345678");
    Hide(window, driver);
    QCOMPARE(ReadAll(cover), ReferenceHide(clean, data, "txt", "12345678", true));

    Open(window, driver, cover);
    driver.AnswerInput("密码1234");
    driver.AnswerBox("对不起，您无权取出文件！", QMessageBox::Ok);
    Click(window, "cmdout");
    ExpectDone(driver);

    const QString output = QCoreApplication::applicationDirPath() + "/output.txt";
    driver.AnswerInput("12345678");
    driver.AnswerBox("   加密文件即将解压到：  " + output, QMessageBox::Ok);
    driver.AnswerBox(" 文件解密完成！", QMessageBox::Ok);
    driver.AnswerBox("     您现在查看文件吗？     ", QMessageBox::No);
    Click(window, "cmdout");
    ExpectDone(driver);
    QCOMPARE(ReadAll(output.toStdString()), data);
    std::filesystem::remove(output.toStdString());
  }

  // Pictures cut short inside their pixel array, or a header alone, are
  // refused by their headers without a hang, and the picture chosen before
  // stays the cover; a marker does not make a cut picture one.
  void DamagedPicturesAreRefusedByTheirHeaders() {
    const Bytes whole = Picture(100, 300);  // 90,054 bytes
    QCOMPARE(whole.size(), std::size_t{90054});
    Bytes marked = whole;
    PutU32(marked, 6, 0x10000000 | 20000);
    const std::vector<std::pair<std::string, Bytes>> damaged = {
        {File("cut.bmp"), Bytes(whole.begin(), whole.begin() + 30000)},
        {File("header.bmp"), Bytes(whole.begin(), whole.begin() + 40)},
        {File("cut-marked.bmp"), Bytes(marked.begin(), marked.begin() + 30000)}};
    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    const std::string good = File("whole.bmp");
    WriteAll(good, whole);
    Open(window, driver, good);
    ExpectDone(driver);
    for (const auto& [path, bytes] : damaged) {
      WriteAll(path, bytes);
      driver.AnswerFile(Q(path));
      driver.AnswerBox("图片不是BMP格式，请选择BMP图片！", QMessageBox::Ok);
      Click(window, "cmdopen");
      ExpectDone(driver);
      QCOMPARE(Widget<QLineEdit>(window, "Text1")->text(), "宿主图片:" + Q(good));
    }
    QCOMPARE(Widget<QLabel>(window, "Labtmp")->text(), QString("这张图片没有加密文件，可用于执行加密操作"));
  }

  // A cover far larger than any toolkit decodes whole (300 MB, sparse on
  // disk) is judged by its header and previewed from a few of its rows.
  void LargeCoversAreAcceptedAndPreviewed() {
    const std::string cover = File("huge.bmp");
    WriteAll(cover, Picture(16, 16));
    std::filesystem::resize_file(cover, 54 + 30000ull * 10000);
    Bytes head = ReadAll(cover);
    head.resize(54);
    PutU32(head, 2, static_cast<std::uint32_t>(54 + 30000ull * 10000));
    PutU32(head, 18, 10000);
    PutU32(head, 22, 10000);
    {
      std::FILE* file = std::fopen(cover.c_str(), "r+b");
      std::fwrite(head.data(), 1, head.size(), file);
      std::fclose(file);
    }
    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    QElapsedTimer timer;
    timer.start();
    Open(window, driver, cover);
    ExpectDone(driver);
    QVERIFY2(timer.elapsed() < 10000, "opening a large cover took too long");
    // Past what the length field holds, the hint offers the format's limit.
    QCOMPARE(Widget<QLineEdit>(window, "Text2")->text(), QString("您可以加密的文件大小不超过4100KB"));
    QVERIFY(!Widget<QLabel>(window, "Imagepre")->pixmap().isNull());
    std::filesystem::remove(cover);
  }

  // Another program hides a file in the picture after the window inspected
  // it: the window's hide refuses, and the other file survives.
  void AFileHiddenMeanwhileIsNotOverwritten() {
    const std::string cover = File("shared.bmp"), payload = File("mine.txt");
    const Bytes clean = Picture(64, 64);
    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    ChooseCoverAndPayload(window, driver, cover, clean, payload, RandomBytes(200, 6));
    const Bytes theirs = ReferenceHide(clean, RandomBytes(90, 7), "dat", "", false);
    WriteAll(cover, theirs);
    driver.AnswerBox("   图片内有隐藏信息，不可再次加入文件！  ", QMessageBox::Ok);
    Click(window, "cmdadd");
    ExpectDone(driver);
    QCOMPARE(ReadAll(cover), theirs);
    QCOMPARE(Widget<QLabel>(window, "Labtmp")->text(), QString("图片内有文件"));
  }

  // A picture sealed by the command line opens in the window with the same
  // password box: a wrong password gets the usual refusal, a picture changed
  // after sealing a clear message, and neither leaves a file behind.
  void SealedPicturesOpenInTheWindow() {
    const std::string cover = File("sealed.bmp");
    const Bytes data = RandomBytes(150000, 8);
    const std::string password = "密码 pass";
    const auto key = codec::SealKey::Derive(password, codec::SealParams{1, 8, 16});
    auto bytes = std::make_shared<Bytes>(Picture(600, 600));
    MemoryFile picture(bytes), payload(std::make_shared<Bytes>(data));
    codec::RunObserver quiet;
    QVERIFY(codec::Embed({picture, payload, nullptr, "pdf", std::nullopt, &*key}, quiet).ok());
    WriteAll(cover, *bytes);

    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    Open(window, driver, cover);
    ExpectDone(driver);
    QCOMPARE(Widget<QLabel>(window, "Labtmp")->text(), QString("图片内有密封的文件"));
    QVERIFY(Widget<QLineEdit>(window, "Text2")->text().startsWith("密封的文件将在输入密码后解压到："));

    const QString output = QCoreApplication::applicationDirPath() + "/output.pdf";
    driver.AnswerSecret("密码 pas");
    driver.AnswerBox("对不起，您无权取出文件！", QMessageBox::Ok);
    Click(window, "cmdout");
    ExpectDone(driver);
    QVERIFY(!QFileInfo::exists(output));

    driver.AnswerSecret(Q(password));
    driver.AnswerBox("   加密文件即将解压到：  " + output, QMessageBox::Ok);
    driver.AnswerBox(" 文件解密完成！", QMessageBox::Ok);
    driver.AnswerBox("     您现在查看文件吗？     ", QMessageBox::No);
    Click(window, "cmdout");
    ExpectDone(driver);
    QCOMPARE(ReadAll(output.toStdString()), data);
    std::filesystem::remove(output.toStdString());

    // One bit of the second chunk's pixels changed after sealing.
    Bytes changed = *bytes;
    changed[54 + 12 + 12 * 30000] ^= 1;
    WriteAll(cover, changed);
    Open(window, driver, cover);
    driver.AnswerSecret(Q(password));
    driver.AnswerBox("   加密文件即将解压到：  " + output, QMessageBox::Ok);
    driver.AnswerBox("图片在密封之后被改动过，密封的文件无法取出！", QMessageBox::Ok);
    Click(window, "cmdout");
    ExpectDone(driver);
    QVERIFY(!QFileInfo::exists(output));
  }

  // A sealed picture's password is typed into a masked box whose Cancel
  // cancels: nothing is tried, said or written. The key is then derived
  // aside: the window repaints and runs its timers meanwhile, with a wait
  // cursor and a status that says why.
  void SealedPasswordBoxMasksCancelsAndTheWindowWorksWhileItIsTried() {
    const std::string cover = File("sealed-slow.bmp");
    const Bytes data = RandomBytes(5000, 9);
    const auto key = codec::SealKey::Derive("pw", codec::SealParams{2, 64 * 1024, 16});
    auto bytes = std::make_shared<Bytes>(Picture(100, 100));
    MemoryFile picture(bytes), payload(std::make_shared<Bytes>(data));
    codec::RunObserver quiet;
    QVERIFY(codec::Embed({picture, payload, nullptr, "pdf", std::nullopt, &*key}, quiet).ok());
    WriteAll(cover, *bytes);

    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    Open(window, driver, cover);
    ExpectDone(driver);
    const QString output = QCoreApplication::applicationDirPath() + "/output.pdf";
    driver.CancelSecret();
    Click(window, "cmdout");
    QTRY_VERIFY_WITH_TIMEOUT(driver.Done(), 5000);
    QTest::qWait(200);  // a box that should not come would come now
    ExpectDone(driver);
    QVERIFY(!QFileInfo::exists(output));
    QCOMPARE(Widget<QLabel>(window, "Labtmp")->text(), QString("图片内有密封的文件"));

    int busy_ticks = 0;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, [&] {
      const QCursor* cursor = QGuiApplication::overrideCursor();
      if (Widget<QLabel>(window, "Labtmp")->text() == "正在验证密码，请稍候……" && cursor &&
          cursor->shape() == Qt::WaitCursor)
        ++busy_ticks;
    });
    watcher.start(5);
    driver.AnswerSecret("pw");
    driver.AnswerBox("   加密文件即将解压到：  " + output, QMessageBox::Ok);
    driver.AnswerBox(" 文件解密完成！", QMessageBox::Ok);
    driver.AnswerBox("     您现在查看文件吗？     ", QMessageBox::No);
    Click(window, "cmdout");
    ExpectDone(driver);
    QVERIFY2(busy_ticks > 0, "the window did not work, or did not say it waits, while the key was derived");
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(ReadAll(output.toStdString()), data);
    std::filesystem::remove(output.toStdString());
  }

  // From the greyed state the preference gave it, a click ticks the clear
  // box, as on Windows; clicks never bring the grey back.
  void ClearBoxGoesFromGreyToTicked() {
    ScriptedSettings settings;
    settings.values["Nerox/Murkquill/clearBMP"] = "2";
    QtMainWindow window({.settings = &settings});
    window.Start();
    auto* box = Widget<QCheckBox>(window, "ChkclearBmp");
    QCOMPARE(box->checkState(), Qt::PartiallyChecked);
    QVERIFY(window.form().state().clearAfterExtract);
    for (const Qt::CheckState expected : {Qt::Checked, Qt::Unchecked, Qt::Checked, Qt::Unchecked}) {
      Click(window, "ChkclearBmp");
      QCOMPARE(box->checkState(), expected);
      QCOMPARE(window.form().state().clearAfterExtract, expected == Qt::Checked);
    }
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    QCOMPARE(box->checkState(), Qt::Checked);
  }

  // Every label shows its whole text within its rectangle, wrapped where it
  // must, at the design size and at half the design height; captions of
  // buttons and check boxes fit their width.
  void EveryTextFitsItsControl() {
    const std::string cover = File("fit.bmp");
    WriteAll(cover, Picture(64, 64));
    QtMainWindow window;
    window.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ModalDriver driver;
    Open(window, driver, cover);
    ExpectDone(driver);
    Widget<QLabel>(window, "labfinish")->setText("100%");
    const QSize design = window.size();
    for (const int height : {design.height(), design.height() - window.centralWidget()->height() / 2}) {
      window.resize(design.width(), height);
      QTRY_COMPARE(window.height(), height);
      for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        const QRect room = label->contentsRect();
        const QRect needed = label->fontMetrics().boundingRect(
            room, static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0), label->text());
        QVERIFY2(room.contains(needed), qPrintable(label->objectName() + " cuts \"" + label->text() + "\" at height " +
                                                   QString::number(height)));
      }
      for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        const int text = button->fontMetrics().horizontalAdvance(button->text());
        const int room = qobject_cast<QCheckBox*>(button) ? button->width() - 20 : button->width() - 4;
        QVERIFY2(text <= room,
                 qPrintable(button->objectName() + " cuts its caption at height " + QString::number(height)));
      }
    }
  }
};

}  // namespace veil::test

QTEST_MAIN(veil::test::TrustTest)
#include "trust_test.moc"
