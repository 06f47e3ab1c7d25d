// Any file hidden at any pixel-data offset, with or without a password,
// comes back byte for byte, and the picture matches the independent
// implementation of the format.
#include <cstdlib>

#include "codec/carrier_layout.h"
#include "fuzz_memory_platform.h"
#include "support/reference_carrier.h"
#include "support/test_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint32_t offset = 14 + data[0] + (data[1] & 1) * 256;
  const bool with_password = data[2] & 1;
  const std::string password(reinterpret_cast<const char*>(data + 3), std::min<std::size_t>(size - 3, (data[2] >> 1) % 9));
  const std::vector<std::uint8_t> payload(data + 3, data + size);
  const std::size_t cover_size = offset + veil::carrier::BytesNeeded(payload.size()) + data[2] % 13;
  const auto cover = veil::test::MakeBmp(std::max<std::size_t>(cover_size, 54), offset, 24, size);
  if (!veil::carrier::IsPortableText(password)) return 0;

  veil::fuzz::MemoryPlatform platform;
  platform.Put("cover.bmp", cover);
  platform.Put("payload", payload);
  platform.state.coverPath = "cover.bmp";
  platform.state.payloadPath = "payload";
  platform.state.hiddenExtension = "bin";
  platform.state.passwordLength = static_cast<std::uint8_t>(with_password ? password.size() : 0);
  platform.state.passwordText = with_password ? password : "00000000";
  veil::SetProperty(platform.controls, "ChkPassword", "Value", with_password ? 1.0 : 0.0);
  if (!platform.codec.RunEmbedding().ok()) std::abort();

  const auto& picture = *platform.disk["cover.bmp"];
  if (picture != veil::test::ReferenceHide(cover, payload, "bin", password, with_password)) std::abort();
  const auto back = platform.Put("out", {});
  platform.files.Open(1, "cover.bmp", veil::OpenMode::kReadOnly);
  platform.files.Open(2, "out", veil::OpenMode::kReadWrite);
  platform.state.markerValue = static_cast<std::int32_t>(payload.size());
  if (!platform.codec.RunExtraction().ok()) std::abort();
  platform.files.CloseAll();
  if (*back != payload) std::abort();
  return 0;
}
