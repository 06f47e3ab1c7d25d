#include "support/codec_fixture.h"

namespace veil::test {

CodecFixture::CodecFixture() { AddRunControls(); }

void CodecFixture::AddRunControls() {
  controls.Add("ChkPassword", {"Value", "Caption"});
  controls.Add("Labtmp", {"Caption"});
  controls.Add("labfinish", {"Caption"});
}

std::vector<std::string> CodecFixture::CaptionsOf(const std::string& control) const {
  std::vector<std::string> captions;
  const std::string prefix = control + ".Caption=";
  for (const auto& entry : controls.History())
    if (entry.rfind(prefix, 0) == 0) captions.push_back(entry.substr(prefix.size()));
  return captions;
}

}  // namespace veil::test
