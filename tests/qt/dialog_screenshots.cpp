// Saves a picture of each of the forms' dialogs, filled in as a user would
// have it just before pressing its start button:
//   veilwright_dialog_screenshots FOLDER SUFFIX
// writes FOLDER/sealed-hide-SUFFIX.png, stealth-hide-SUFFIX.png and
// open-with-password-SUFFIX.png. scripts/dialog-screenshots.sh runs it under
// a virtual X display at 96 and 144 dpi.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "app/qt/qt_main_window.h"
#include "support/png_test_files.h"
#include "support/test_files.h"

namespace {

using veil::test::Bytes;

void DropFile(QWidget* target, const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

// Once the dialog that menu_entry opens shows, fills it, saves its picture
// and closes it.
void Shoot(veil::qt::QtMainWindow& window, const char* menu_entry, const QString& cover, const QString& payload,
           const QString& picture) {
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog->property("shot").toBool()) return;
    dialog->setProperty("shot", true);
    QTimer::singleShot(300, dialog, [dialog, cover, payload, picture] {
      DropFile(dialog->findChild<QLineEdit*>("TxtCover"), cover);
      if (auto* file = dialog->findChild<QLineEdit*>("TxtPayload")) DropFile(file, payload);
      for (const char* name : {"TxtPassword", "TxtConfirm"})
        if (auto* box = dialog->findChild<QLineEdit*>(name)) {
          box->setText("Tq7#vL9pWz!2mK");
          emit box->textEdited(box->text());
        }
      QApplication::processEvents();
      if (!dialog->grab().save(picture)) std::fprintf(stderr, "could not save %s\n", qPrintable(picture));
      dialog->reject();
    });
  });
  poll.start(20);
  window.findChild<QAction*>(menu_entry)->trigger();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTranslator texts;
  veil::qt::InstallChineseQtTexts(app, texts);
  if (argc != 3) {
    std::fprintf(stderr, "usage: veilwright_dialog_screenshots FOLDER SUFFIX\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]), suffix = QString::fromLocal8Bit(argv[2]);
  QTemporaryDir work;
  const QString bmp = work.filePath("holiday.bmp"), png = work.filePath("holiday.png"),
                payload = work.filePath("notes.txt");
  veil::test::WriteAll(bmp.toStdString(), veil::test::MakeBmp(54 + 12 + 12 * 40000));
  veil::test::WriteAll(png.toStdString(),
                       veil::test::EncodePng(veil::test::MakeTestPicture(400, 300, 2, 8, false, 21)));
  veil::test::WriteAll(payload.toStdString(), veil::test::RandomBytes(1000, 1));

  veil::qt::QtMainWindow window;
  window.Start();
  Shoot(window, "formsSealedHide", bmp, payload, QDir(folder).filePath("sealed-hide-" + suffix + ".png"));
  Shoot(window, "formsStealthHide", png, payload, QDir(folder).filePath("stealth-hide-" + suffix + ".png"));
  Shoot(window, "formsOpen", png, payload, QDir(folder).filePath("open-with-password-" + suffix + ".png"));
  return 0;
}
