// The sealed and stealth forms' dialogs in the real Qt window, driven by
// clicks, keys and drops: each hides a file that the codec finds again byte
// for byte, and opens what the codec hid.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/qt/qt_main_window.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/runs.h"
#include "codec/plain/sealed_picture.h"
#include "codec/stealth/stealth_runs.h"
#include "files/memory_file.h"
#include "modal_driver.h"
#include "support/png_test_files.h"
#include "support/test_files.h"
#include "window/forms/form_texts.h"

namespace veil::test {

using qt::QtMainWindow;
namespace t = texts::forms;

constexpr forms::FormCosts kQuick{codec::SealParams{1, 8, 16}, codec::stealth::KdfCosts{1, 8}};
const QString kPassword = "Tq7#vL9pWz!2mK";

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

void DropFile(QWidget* target, const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

class FormsWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString File(const QString& name) { return dir_.filePath(name); }

  template <typename T>
  static T* In(QWidget* dialog, const char* name) {
    T* widget = dialog->findChild<T*>(name);
    if (!widget) qFatal("no control %s", name);
    return widget;
  }

  void ExpectDriverDone(ModalDriver& driver) {
    QTRY_VERIFY2_WITH_TIMEOUT(driver.Done(), qPrintable(driver.Failures().join("; ")), 20000);
    QVERIFY2(driver.Failures().isEmpty(), qPrintable(driver.Failures().join("; ")));
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
  }

  void SealedHideByClicksAndKeys() {
    const QString cover = File("cover.bmp"), payload = File("notes.txt"), output = File("cover_sealed.bmp");
    const Bytes secret = RandomBytes(3000, 11);
    WriteAll(cover.toStdString(), MakeBmp(54 + 12 + 12 * 3000));
    WriteAll(payload.toStdString(), secret);

    QtMainWindow window({.form_costs = kQuick});
    window.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ModalDriver driver;
    QString strength, capacity;
    bool masked = false, tab_to_confirm = false;
    driver.Handle([&](QWidget* modal) {
      auto* dialog = qobject_cast<QDialog*>(modal);
      QVERIFY(dialog);
      QCOMPARE(dialog->windowTitle(), Q(t::kSealedHideTitle));
      QTimer::singleShot(0, dialog, [&, dialog] {
        QTest::mouseClick(In<QPushButton>(dialog, "CmdCover"), Qt::LeftButton);  // the file dialog answers
        capacity = In<QLabel>(dialog, "LabCapacity")->text();
        auto* file = In<QLineEdit>(dialog, "TxtPayload");
        file->setFocus();
        TypeText(file, payload);
        auto* password = In<QLineEdit>(dialog, "TxtPassword");
        auto* confirm = In<QLineEdit>(dialog, "TxtConfirm");
        masked = password->echoMode() == QLineEdit::Password && confirm->echoMode() == QLineEdit::Password;
        password->setFocus();
        TypeText(password, kPassword);
        strength = In<QLabel>(dialog, "LabStrength")->text();
        QWidget* next = password->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
        tab_to_confirm = next == confirm;
        TypeText(confirm, kPassword);
        QTest::keyClick(confirm, Qt::Key_Return);  // Enter presses the start button
      });
    });
    driver.AnswerFile(cover);
    driver.AnswerBox(Q(t::kHideDone) + output, QMessageBox::Ok);
    window.findChild<QAction*>("formsSealedHide")->trigger();
    ExpectDriverDone(driver);
    QVERIFY(masked);
    QVERIFY(tab_to_confirm);
    QVERIFY2(strength.startsWith(Q(t::kStrengthPrefix)), qPrintable(strength));
    QVERIFY2(capacity.startsWith(Q(t::kCapacityPrefix)), qPrintable(capacity));

    // The codec opens what the dialog wrote.
    MemoryFile picture(std::make_shared<Bytes>(ReadAll(output.toStdString())));
    const auto facts = carrier::ReadCarrierFacts(picture);
    QVERIFY(facts.IsSealed());
    codec::OpenedSeal opened = codec::OpenSeal(picture, facts, kPassword.toStdString());
    QVERIFY(opened.status == codec::OpenedSeal::Status::kOpened);
    QCOMPARE(opened.file_name, std::optional<std::string>("notes.txt"));
    auto back = std::make_shared<Bytes>();
    MemoryFile back_file(back);
    codec::RunObserver observer;
    QVERIFY(codec::Extract({picture, back_file, std::nullopt, &*opened.key}, observer).ok());
    QVERIFY(*back == secret);
  }

  void StealthHideAndOpenByDropsAndClicks() {
    const QString cover = File("cover.png"), payload = File("plan.pdf"), output = File("cover_stealth.png");
    const Bytes secret = RandomBytes(400, 12);
    WriteAll(cover.toStdString(), EncodePng(MakeTestPicture(256, 192, 2, 8, false, 21)));
    WriteAll(payload.toStdString(), secret);
    QDir().mkpath(File("out"));

    QtMainWindow window({.form_costs = kQuick});
    window.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ModalDriver driver;
    int progress = -1;
    driver.Handle([&](QWidget* modal) {
      auto* dialog = qobject_cast<QDialog*>(modal);
      QVERIFY(dialog);
      QCOMPARE(dialog->windowTitle(), Q(t::kStealthHideTitle));
      QTimer::singleShot(0, dialog, [&, dialog] {
        DropFile(In<QLineEdit>(dialog, "TxtCover"), cover);
        DropFile(In<QLineEdit>(dialog, "TxtPayload"), payload);
        QCOMPARE(In<QLineEdit>(dialog, "TxtOutput")->text(), output);
        TypeText(In<QLineEdit>(dialog, "TxtPassword"), kPassword);
        TypeText(In<QLineEdit>(dialog, "TxtConfirm"), kPassword);
        QTest::mouseClick(In<QPushButton>(dialog, "CmdStart"), Qt::LeftButton);
        progress = In<QProgressBar>(dialog, "PrgRun")->value();
      });
    });
    driver.AnswerBox(Q(t::kHideDone) + output + Q(t::kStealthCoverNote), QMessageBox::Ok);
    window.findChild<QAction*>("formsStealthHide")->trigger();
    ExpectDriverDone(driver);
    QCOMPARE(progress, 100);

    MemoryFile picture(std::make_shared<Bytes>(ReadAll(output.toStdString())));
    codec::RunObserver observer;
    const codec::OpenedStealth found = codec::OpenStealth({picture, kPassword.toStdString(), kQuick.stealth}, observer);
    QVERIFY(found.result.ok());
    QVERIFY(found.file == secret);

    // And the open dialog takes it back out, after a wrong password first.
    driver.Handle([&](QWidget* modal) {
      auto* dialog = qobject_cast<QDialog*>(modal);
      QVERIFY(dialog);
      QCOMPARE(dialog->windowTitle(), Q(t::kOpenTitle));
      QTimer::singleShot(0, dialog, [&, dialog] {
        DropFile(In<QLineEdit>(dialog, "TxtCover"), output);
        DropFile(In<QLineEdit>(dialog, "TxtOutput"), File("out"));
        auto* password = In<QLineEdit>(dialog, "TxtPassword");
        TypeText(password, "wrong");
        QTest::mouseClick(In<QPushButton>(dialog, "CmdStart"), Qt::LeftButton);
        password->clear();
        TypeText(password, kPassword);
        QTest::mouseClick(In<QPushButton>(dialog, "CmdStart"), Qt::LeftButton);
      });
    });
    driver.AnswerBox(Q(t::kNoStealthFile), QMessageBox::Ok);
    driver.AnswerBox(Q(t::kOpenDone) + File("out/plan.pdf"), QMessageBox::Ok);
    window.findChild<QAction*>("formsOpen")->trigger();
    ExpectDriverDone(driver);
    QVERIFY(ReadAll(File("out/plan.pdf").toStdString()) == secret);
  }

  // A desktop entry's %f naming a PNG: the main window's plain form refuses
  // one, so it opens in the password dialog.
  void APngGivenAtStartOpensInThePasswordDialog() {
    const QString png = File("given.png");
    WriteAll(png.toStdString(), EncodePng(MakeTestPicture(64, 64, 2, 8, false, 3)));
    QtMainWindow window;
    window.Start();
    ModalDriver driver;
    QString cover;
    driver.Handle([&](QWidget* modal) {
      QCOMPARE(modal->windowTitle(), Q(t::kOpenTitle));
      cover = In<QLineEdit>(modal, "TxtCover")->text();
      QTimer::singleShot(0, modal, [modal] { QTest::keyClick(modal, Qt::Key_Escape); });
    });
    window.OpenOnStart(png);
    ExpectDriverDone(driver);
    QCOMPARE(cover, png);
  }

  void CancelClosesAnIdleDialogAndTheMenuSitsBesideTheOthers() {
    QtMainWindow window;
    window.Start();
    QVERIFY(window.findChild<QAction*>("forms"));
    QCOMPARE(window.findChild<QAction*>("forms")->text(), Q(t::kMenu));
    QVERIFY(window.findChild<QAction*>("open"));
    ModalDriver driver;
    driver.Handle([](QWidget* modal) {
      QTimer::singleShot(0, modal, [modal] { QTest::mouseClick(In<QPushButton>(modal, "CmdCancel"), Qt::LeftButton); });
    });
    window.findChild<QAction*>("formsOpen")->trigger();
    ExpectDriverDone(driver);
  }
};

}  // namespace veil::test

QTEST_MAIN(veil::test::FormsWindowTest)
#include "forms_test.moc"
