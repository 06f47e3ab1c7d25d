#include "codec/seal/seal_password.h"

#include "codec/seal/wipe.h"
#include "files/unicode_text.h"

namespace veil::codec {

SealPasswordForms PasswordForms(const std::string& typed) {
  SealPasswordForms forms;
  forms.opening.push_back(typed);
  if (auto composed = ComposedForm(typed)) {
    forms.utf8 = true;
    forms.sealing = *composed;
    if (*composed != typed) forms.opening.push_back(*composed);
    Wipe(*composed);
  }
  return forms;
}

SealPasswordForms::~SealPasswordForms() {
  Wipe(sealing);
  for (auto& form : opening) Wipe(form);
}

}  // namespace veil::codec
