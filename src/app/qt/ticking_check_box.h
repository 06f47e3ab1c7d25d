#pragma once

#include <QCheckBox>

namespace veil::qt {

// A check box whose click ticks an unticked or greyed box and clears a
// ticked one, as a Windows check box the program sets itself does: the
// greyed third state comes only from the program (the stored preference),
// never from the user's clicks.
class TickingCheckBox final : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }
};

}  // namespace veil::qt
