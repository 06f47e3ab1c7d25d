#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include "app/qt/qt_main_window.h"
#include "modal_driver.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

namespace veil::test {

using qt::QtMainWindow;

// A 24-bit BMP 64 pixels wide that Qt's reader can decode, with as many
// rows as length bytes hold, padded to length bytes.
Bytes LoadableBmp(std::size_t length) {
  Bytes bmp = MakeBmp(length);
  PutU32(bmp, 18, 64);
  PutU32(bmp, 22, static_cast<std::uint32_t>((length - 54) / (64 * 3)));
  return bmp;
}

class WindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString File(const QString& name) { return dir_.filePath(name); }

  template <typename T>
  T* Widget(QtMainWindow& window, const char* name) {
    T* widget = window.findChild<T*>(name);
    if (!widget) qFatal("no control %s", name);
    return widget;
  }

  void Click(QtMainWindow& window, const char* button) {
    QTest::mouseClick(Widget<QAbstractButton>(window, button), Qt::LeftButton);
  }

  void ExpectDriverDone(ModalDriver& driver) {
    QTRY_VERIFY_WITH_TIMEOUT(driver.Done(), 10000);
    QVERIFY2(driver.Failures().isEmpty(), qPrintable(driver.Failures().join("; ")));
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
  }

  void HideAndExtractThroughTheRealWindow() {
    const Bytes data = RandomBytes(2000, 42);
    const std::string cover = File("cover.bmp").toStdString();
    const std::string payload = File("notes.txt").toStdString();
    WriteAll(cover, LoadableBmp(54 + 12 + 12 * 700));
    WriteAll(payload, data);
    QDir().mkpath(File("out"));

    QtMainWindow window;
    window.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QString("Veilwrightv1.0"));
    ModalDriver driver;

    driver.AnswerFile(QString::fromStdString(cover));
    Click(window, "cmdopen");
    ExpectDriverDone(driver);
    QCOMPARE(Widget<QLineEdit>(window, "Text1")->text(), "宿主图片:" + QString::fromStdString(cover));
    QCOMPARE(Widget<QLineEdit>(window, "Text2")->text(), QString("您可以加密的文件大小不超过2KB"));

    driver.AnswerFile(QString::fromStdString(payload));
    Click(window, "CmdMsgSelect");
    ExpectDriverDone(driver);
    QCOMPARE(Widget<QLineEdit>(window, "TxtName")->text(), QString::fromStdString(payload));

    QTest::mouseClick(Widget<QCheckBox>(window, "ChkPassword"), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(Widget<QCheckBox>(window, "ChkPassword")->isChecked());
    QTest::keyClicks(Widget<QLineEdit>(window, "Text4"), "abc");
    QTest::keyClicks(Widget<QLineEdit>(window, "Text5"), "abc");

    driver.AnswerBox("    按下[确定]键将开始执行加密    ", QMessageBox::Ok);
    driver.AnswerBox("加密完成！", QMessageBox::Ok);
    Click(window, "cmdadd");
    ExpectDriverDone(driver);
    QCOMPARE(ReadAll(cover), ReferenceHide(LoadableBmp(54 + 12 + 12 * 700), data, "txt", "abc", true));

    driver.AnswerFile(QString::fromStdString(cover));
    Click(window, "cmdopen");
    ExpectDriverDone(driver);
    driver.AnswerFolder(File("out"));
    Click(window, "cmdchgOutPath");
    ExpectDriverDone(driver);
    const QString output = File("out") + "/output.txt";
    QCOMPARE(Widget<QLineEdit>(window, "Text2")->text(), "加密文件将被解压到：" + output);

    driver.AnswerInput("abc");
    driver.AnswerBox("   加密文件即将解压到：  " + output, QMessageBox::Ok);
    driver.AnswerBox(" 文件解密完成！", QMessageBox::Ok);
    driver.AnswerBox("     您现在查看文件吗？     ", QMessageBox::No);
    Click(window, "cmdout");
    ExpectDriverDone(driver);
    QCOMPARE(ReadAll(output.toStdString()), data);
  }

  // At 96 dpi a twip is 1/15 of a pixel: every control sits where the table puts it.
  void ControlsSitWhereTheTablePutsThem() {
    QtMainWindow window;
    window.Start();
    const TwipScale scale = window.scale();
    for (const ui::ControlSpec& design : ui::MainWindow().controls) {
      if (design.kind == ui::ControlKind::kMenuItem) {
        QVERIFY2(window.findChild<QAction*>(QString::fromStdString(design.name)), design.name.c_str());
        continue;
      }
      auto* widget = window.findChild<QWidget*>(QString::fromStdString(design.name));
      QVERIFY2(widget, design.name.c_str());
      const QRect expected(scale.ToPixelsX(design.left), scale.ToPixelsY(design.top),
                           scale.ToPixelsX(design.left + design.width) - scale.ToPixelsX(design.left),
                           scale.ToPixelsY(design.top + design.height) - scale.ToPixelsY(design.top));
      if (design.auto_size)
        QCOMPARE(widget->pos(), expected.topLeft());
      else
        QCOMPARE(widget->geometry(), expected);
      const QString parent = widget->parentWidget()->objectName();
      QCOMPARE(parent.toStdString(), design.container);
    }
    QCOMPARE(window.findChild<QAction*>("open")->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(window.findChild<QWidget*>("cmdout")->font().family(), QString("宋体"));
  }

  void DroppedFileIsInspected() {
    const std::string cover = File("dropped.bmp").toStdString();
    WriteAll(cover, LoadableBmp(9000));
    QtMainWindow window;
    window.Start();
    auto* target = Widget<QLineEdit>(window, "Text1");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(cover))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCOMPARE(target->text(), "宿主图片:" + QString::fromStdString(cover));
    QCOMPARE(Widget<QLineEdit>(window, "Text2")->text(), QString("您可以加密的文件大小不超过2KB"));
  }

  // A desktop entry's %f: the picture is opened once the window shows, and
  // one the window cannot take is refused as if it had been chosen.
  void PictureGivenAtStartIsOpened() {
    const std::string cover = File("given.bmp").toStdString();
    WriteAll(cover, LoadableBmp(9000));
    QtMainWindow window;
    window.Start();
    window.OpenOnStart(QString::fromStdString(cover));
    QTRY_COMPARE(Widget<QLineEdit>(window, "Text1")->text(), "宿主图片:" + QString::fromStdString(cover));
    QCOMPARE(Widget<QLineEdit>(window, "Text2")->text(), QString("您可以加密的文件大小不超过2KB"));

    // (A PNG or JPEG opens in the password dialog instead: the forms' tests.)
    const std::string gif = File("given.gif").toStdString();
    WriteAll(gif, Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0});
    ModalDriver driver;
    driver.AnswerBox("图片不是BMP格式，请选择BMP图片！", QMessageBox::Ok);
    window.OpenOnStart(QString::fromStdString(gif));
    ExpectDriverDone(driver);
    QCOMPARE(Widget<QLineEdit>(window, "Text1")->text(), "宿主图片:" + QString::fromStdString(cover));
  }

  // What the password field cannot hold is refused, and the user is told.
  void PasswordBoxesTakeEightPortableCharacters() {
    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    auto* box = Widget<QLineEdit>(window, "Text4");
    driver.AnswerBox("密码最长八位，只能使用英文字母、数字和符号！", QMessageBox::Ok);
    QTest::keyClicks(box, "123456789");
    QTRY_VERIFY_WITH_TIMEOUT(driver.Done(), 5000);
    QCOMPARE(box->text(), QString("12345678"));
    box->clear();
    // Characters beyond ASCII, as an input method would deliver them.
    driver.AnswerBox("密码最长八位，只能使用英文字母、数字和符号！", QMessageBox::Ok);
    for (const QString& character : {QString("a"), QString("ä"), QString("中"), QString("b")}) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, character);
      QApplication::sendEvent(box, &press);
    }
    QTRY_VERIFY_WITH_TIMEOUT(driver.Done(), 5000);
    ExpectDriverDone(driver);
    QCOMPARE(box->text(), QString("ab"));
  }

  // Qt's own buttons read in Chinese, the window has its icon, Enter presses
  // a focused button.
  void TheFinishADesktopUserExpects() {
    QTranslator translator;
    QVERIFY2(qt::InstallChineseQtTexts(*qApp, translator), "Qt's Chinese translation is missing");
    QtMainWindow window;
    window.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.windowIcon().isNull());
    ModalDriver driver;
    QStringList buttons;
    driver.AnswerBoxSeeingButtons("  请先选择图片！  ", QMessageBox::Ok, &buttons);
    auto* cmdadd = Widget<QPushButton>(window, "cmdadd");
    cmdadd->setFocus();
    QTest::keyClick(cmdadd, Qt::Key_Return);
    ExpectDriverDone(driver);
    QCOMPARE(buttons, QStringList{"确定"});

    const std::string cover = File("finish.bmp").toStdString();
    WriteAll(cover, ReferenceHide(LoadableBmp(9000), RandomBytes(10, 1), "txt", "", false));
    driver.AnswerFile(QString::fromStdString(cover));
    Click(window, "cmdopen");
    ExpectDriverDone(driver);
    buttons.clear();
    driver.AnswerBox("   加密文件即将解压到：  " + QCoreApplication::applicationDirPath() + "/output.txt",
                     QMessageBox::Ok);
    driver.AnswerBox(" 文件解密完成！", QMessageBox::Ok);
    driver.AnswerBoxSeeingButtons("     您现在查看文件吗？     ", QMessageBox::No, &buttons);
    Click(window, "cmdout");
    ExpectDriverDone(driver);
    QCOMPARE(buttons, (QStringList{"是(&Y)", "否(&N)"}));
    QFile::remove(QCoreApplication::applicationDirPath() + "/output.txt");
    qApp->removeTranslator(&translator);
  }

  // Text3 is an ordinary text box: a folder typed into it becomes the output
  // folder when the folder browser is cancelled. A folder dropped onto it
  // becomes the output folder, a file gives its folder.
  void OutputFolderBoxTakesKeysAndDrops() {
    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    auto* box = Widget<QLineEdit>(window, "Text3");
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, File("typed"));
    QCOMPARE(box->text(), File("typed"));
    driver.CancelDialog();
    Click(window, "cmdchgOutPath");
    ExpectDriverDone(driver);
    QCOMPARE(box->text(), File("typed") + "/");
    QCOMPARE(QString::fromStdString(window.form().state().outputFolder), File("typed") + "/");
    auto drop = [&](const QString& path) {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(path)});
      QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(box, &enter);
      QVERIFY(enter.isAccepted());
      QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(box, &dropped);
    };
    QDir().mkpath(File("drop-here"));
    drop(File("drop-here"));
    QCOMPARE(box->text(), File("drop-here") + "/");
    WriteAll(File("drop-here/inside.txt").toStdString(), {1});
    QDir().mkpath(File("other"));
    WriteAll(File("other/file.bin").toStdString(), {1});
    drop(File("other/file.bin"));
    QCOMPARE(box->text(), File("other") + "/");
    QVERIFY(!box->text().contains("file:"));
    // A text box that takes no files takes no "file://" text either.
    QVERIFY(!Widget<QLineEdit>(window, "Text4")->acceptDrops());
  }

  // Typed, then Enter or Tab: the folder is taken without the browser.
  void TypedOutputFolderIsTakenOnEnterAndWhenTheBoxIsLeft() {
    QtMainWindow window;
    window.Start();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* box = Widget<QLineEdit>(window, "Text3");
    const auto folder = [&] { return QString::fromStdString(window.form().state().outputFolder); };
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, File("by-enter"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(folder(), File("by-enter") + "/");
    QCOMPARE(box->text(), File("by-enter") + "/");
    box->selectAll();
    QTest::keyClicks(box, File("by-tab"));
    QTest::keyClick(box, Qt::Key_Tab);
    QVERIFY(!box->hasFocus());
    QCOMPARE(folder(), File("by-tab") + "/");
  }

  // An extraction onto an existing file asks first, and Enter keeps the file.
  void ExtractingOverAnExistingFileAsksAndEnterKeepsIt() {
    const Bytes data = RandomBytes(500, 7);
    const std::string cover = File("marked.bmp").toStdString();
    WriteAll(cover, ReferenceHide(LoadableBmp(54 + 12 + 12 * 700), data, "txt", "", false));
    QDir().mkpath(File("existing"));
    const QString output = File("existing") + "/output.txt";
    const Bytes kept = RandomBytes(40, 8);
    WriteAll(output.toStdString(), kept);

    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    driver.AnswerFile(QString::fromStdString(cover));
    Click(window, "cmdopen");
    ExpectDriverDone(driver);
    driver.AnswerFolder(File("existing"));
    Click(window, "cmdchgOutPath");
    ExpectDriverDone(driver);
    driver.AnswerBoxWithEnter("这个文件已经存在，要用解压出来的文件替换它吗？\n" + output);
    Click(window, "cmdout");
    ExpectDriverDone(driver);
    QCOMPARE(ReadAll(output.toStdString()), kept);

    driver.AnswerBox("这个文件已经存在，要用解压出来的文件替换它吗？\n" + output, QMessageBox::Yes);
    driver.AnswerBox("   加密文件即将解压到：  " + output, QMessageBox::Ok);
    driver.AnswerBox(" 文件解密完成！", QMessageBox::Ok);
    driver.AnswerBox("     您现在查看文件吗？     ", QMessageBox::No);
    Click(window, "cmdout");
    ExpectDriverDone(driver);
    QCOMPARE(ReadAll(output.toStdString()), data);
  }

  // The file dialogs start in the pictures folder, then where the last file
  // was chosen; the folder browser at the output folder.
  void DialogsStartAtThePicturesFolderThenTheLastOneUsed() {
    QDir().mkpath(File("My Pictures"));
    QDir().mkpath(File("elsewhere"));
    QFile dirs(File("config/user-dirs.dirs"));
    QDir().mkpath(File("config"));
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write(("XDG_PICTURES_DIR=\"" + File("My Pictures") + "\"\n").toUtf8());
    dirs.close();
    const std::string cover = File("elsewhere/cover.bmp").toStdString();
    WriteAll(cover, LoadableBmp(54 + 12 + 12 * 700));

    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    driver.CancelDialog();
    driver.AnswerFile(QString::fromStdString(cover));
    driver.CancelDialog();
    Click(window, "cmdopen");
    Click(window, "cmdopen");
    Click(window, "CmdMsgSelect");
    driver.AnswerFolder(File("out-folder"));
    QDir().mkpath(File("out-folder"));
    Click(window, "cmdchgOutPath");
    driver.CancelDialog();
    Click(window, "cmdchgOutPath");
    ExpectDriverDone(driver);
    QCOMPARE(driver.DialogFolders(), (QStringList{File("My Pictures"), File("My Pictures"), File("elsewhere"),
                                                  QCoreApplication::applicationDirPath(), File("out-folder")}));
    QFile::remove(File("config/user-dirs.dirs"));
  }

  void LayoutFollowsTheClientArea() {
    QtMainWindow window;
    window.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.form().designWidth, 9840);
    QCOMPARE(window.form().designHeight, 5730);
    Control* cmdadd = window.controls().Find("cmdadd");
    auto geometry = [&] {
      return std::vector<double>{std::get<double>(*cmdadd->Get("Left")), std::get<double>(*cmdadd->Get("Top")),
                                 std::get<double>(*cmdadd->Get("Width")), std::get<double>(*cmdadd->Get("Height")),
                                 std::get<double>(*cmdadd->Get("FontSize"))};
    };
    QCOMPARE(geometry(), (std::vector<double>{7800, 1680, 1695, 615, 14.25}));

    const QSize design = window.size();
    window.resize(design.width() * 2 - 0, design.height());
    QTRY_COMPARE(window.centralWidget()->width(), 656 * 2);
    QCOMPARE(geometry(), (std::vector<double>{15600, 1680, 3390, 615, 14.25}));
    QCOMPARE(Widget<QPushButton>(window, "cmdadd")->geometry(), QRect(1040, 112, 226, 41));

    window.resize(design);
    QTRY_COMPARE(window.centralWidget()->width(), 656);
    QCOMPARE(geometry(), (std::vector<double>{7800, 1680, 1695, 615, 14.25}));
    QCOMPARE(Widget<QPushButton>(window, "cmdadd")->geometry(), QRect(520, 112, 113, 41));
    QCOMPARE(Widget<QPushButton>(window, "cmdadd")->font().pointSizeF(), 14.25);
  }
};

}  // namespace veil::test

QTEST_MAIN(veil::test::WindowTest)
#include "window_test.moc"
