#include "app/qt/qt_form_builder.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <map>
#include <vector>

#include "app/qt/ticking_check_box.h"

namespace veil::qt {
namespace {

QWidget* CreateWidget(const ui::ControlSpec& design, QWidget* parent, const QtFormEvents& events) {
  const QString caption = QString::fromStdString(design.caption);
  const std::string name = design.name;
  switch (design.kind) {
    case ui::ControlKind::kFrame: return new QGroupBox(caption, parent);
    case ui::ControlKind::kLabel: {
      auto* label = new QLabel(caption, parent);
      label->setWordWrap(design.word_wrap);
      return label;
    }
    case ui::ControlKind::kTextBox: {
      auto* edit = new QLineEdit(caption, parent);
      if (design.max_length > 0) edit->setMaxLength(design.max_length);
      if (design.masked) edit->setEchoMode(QLineEdit::Password);
      if (design.portable_text_only) {
        // Whatever cannot be stored is refused, typed or pasted, and the
        // user is told: nothing is dropped silently.
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[\\x20-\\x7E]*"), edit));
        QObject::connect(edit, &QLineEdit::inputRejected, edit, [events, name] {
          if (events.refused) events.refused(name);
        });
      }
      QObject::connect(edit, &QLineEdit::textEdited, edit, [events, name] {
        if (events.edited) events.edited(name);
      });
      // Enter, or the focus leaving a box whose text changed.
      QObject::connect(edit, &QLineEdit::editingFinished, edit, [events, name] {
        if (events.committed) events.committed(name);
      });
      return edit;
    }
    case ui::ControlKind::kButton: {
      auto* button = new QPushButton(caption, parent);
      QObject::connect(button, &QPushButton::clicked, button, [events, name] { events.clicked(name); });
      return button;
    }
    case ui::ControlKind::kCheckBox: {
      auto* box = new TickingCheckBox(caption, parent);
      // Like the click event of a check box: on every change of its value.
      QObject::connect(box, &QCheckBox::stateChanged, box, [events, name] { events.clicked(name); });
      return box;
    }
    case ui::ControlKind::kPictureBox: {
      auto* picture = new QLabel(parent);
      picture->setAlignment(Qt::AlignCenter);
      return picture;
    }
    case ui::ControlKind::kProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, 100);
      bar->setValue(0);
      return bar;
    }
    case ui::ControlKind::kMenuItem: break;
  }
  return nullptr;
}

}  // namespace

void BuildQtControls(const ui::WindowSpec& window, QWidget* root, QObject* filter, TwipScale scale,
                     const QtFormEvents& events, QtControls& controls) {
  std::map<std::string, QWidget*> containers;
  for (const ui::ControlSpec& design : window.controls) {
    if (design.kind == ui::ControlKind::kMenuItem) {
      QAction* action = events.menu_entry ? events.menu_entry(design) : nullptr;
      if (action) controls.Add(std::make_unique<QtControl>(design.Shape(), nullptr, action, scale));
      continue;
    }
    QWidget* parent = design.container.empty() ? root : containers.at(design.container);
    QWidget* widget = CreateWidget(design, parent, events);
    widget->setObjectName(QString::fromStdString(design.name));
    widget->installEventFilter(filter);
    if (design.font) {
      QFont font(QString::fromStdString(design.font->family));
      font.setPointSizeF(design.font->points);
      font.setWeight(QFont::Normal);
      widget->setFont(font);
    }
    if (design.kind == ui::ControlKind::kFrame) containers[design.name] = widget;
    // Files go only where the window takes them; a text box never swallows
    // one as a "file://" text.
    widget->setAcceptDrops(events.takes_drops && events.takes_drops(design.name));
    controls.Add(std::make_unique<QtControl>(design.Shape(), widget, nullptr, scale));
  }

  // Keyboard focus follows the designed tab order.
  std::vector<const ui::ControlSpec*> ordered;
  for (const auto& design : window.controls)
    if (design.tab >= 0) ordered.push_back(&design);
  std::sort(ordered.begin(), ordered.end(), [](auto* a, auto* b) { return a->tab < b->tab; });
  QWidget* previous = nullptr;
  for (const auto* design : ordered) {
    auto* widget = root->findChild<QWidget*>(QString::fromStdString(design->name));
    if (!widget || widget->focusPolicy() == Qt::NoFocus) continue;
    if (previous) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

bool HandleFileDrop(QEvent* event, const std::function<void(const std::string&)>& dropped) {
  if (event->type() == QEvent::DragEnter) {
    auto* drag = static_cast<QDragEnterEvent*>(event);
    if (drag->mimeData()->hasUrls() && drag->mimeData()->urls().first().isLocalFile()) drag->acceptProposedAction();
    return true;
  }
  if (event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (drop->mimeData()->hasUrls() && drop->mimeData()->urls().first().isLocalFile()) {
      drop->acceptProposedAction();
      dropped(drop->mimeData()->urls().first().toLocalFile().toStdString());
    }
    return true;
  }
  return false;
}

}  // namespace veil::qt
