#pragma once

#include <sodium.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "codec/seal/seal.h"
#include "files/raw_file.h"

namespace veil::codec {

// What went wrong opening the chunks of a sealed file.
class SealBroken : public std::runtime_error {
 public:
  enum class Kind {
    kFirstChunk,  // the first chunk does not open: a wrong password, or the picture was changed
    kLaterChunk,  // a later chunk does not open: the picture was changed after sealing
    kTruncated,   // the chunks end before the one marked final
  };
  SealBroken(Kind kind, std::uint64_t offset)
      : std::runtime_error("the sealed data does not open"), kind(kind), offset(offset) {}
  Kind kind;
  std::uint64_t offset;  // where the chunk starts in the sealed data
};

// The sealed bytes of a file, made as they are read: the runs read them front
// to back like any file to hide, and they are encrypted a chunk at a time,
// so that memory stays fixed whatever the file's size.
class SealingPayload final : public RawFile {
 public:
  // lead: what comes before the file, and the layout it belongs to.
  SealingPayload(RawFile& payload, SealLead lead, const SealKey& key);
  ~SealingPayload() override;
  // Front to back only: each read starts where the last one ended.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;
  void WriteAt(std::uint64_t, std::span<const std::uint8_t>) override;
  std::uint64_t Size() override { return sealed_length_; }
  void Sync() override {}

 private:
  void SealNextChunk();

  RawFile& payload_;
  SealLead lead_;
  SealParams params_;
  std::array<std::uint8_t, seal::kParametersSize> authenticated_;  // the header's bytes before the stream's
  std::uint64_t plain_length_, sealed_length_;
  crypto_secretstream_xchacha20poly1305_state state_;
  std::vector<std::uint8_t> plain_, sealed_;  // the current chunk
  std::size_t served_ = 0;                    // bytes of sealed_ handed out
  std::uint64_t position_ = 0, plain_done_ = 0;
};

// Opens sealed bytes written to it front to back, a chunk at a time, and
// holds the file they hold (after its lead, at most 16 MiB) until every
// chunk to the final one has opened: only Finish writes it to the output, so
// that a stream (a pipe, a device) never receives the front of a file whose
// later chunks turn out changed.
class UnsealingOutput final : public RawFile {
 public:
  UnsealingOutput(RawFile& output, const SealKey& key, std::uint64_t sealed_length);
  ~UnsealingOutput() override;
  std::size_t ReadAt(std::uint64_t, std::span<std::uint8_t>) override { return 0; }
  // Front to back only. Throws SealBroken.
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> in) override;
  std::uint64_t Size() override { return received_; }
  void Sync() override {}
  // Every chunk, to the one marked final, has arrived and opened: the file
  // goes to the output. Throws SealBroken, or FileFailure from the output.
  void Finish();
  // Once the first chunk has opened: the layout the header says, and the
  // lead's text: the extension (layout 1) or the name as stored (layout 2).
  std::uint8_t layout() const { return layout_; }
  const std::string& extension() const { return lead_text_; }
  const std::string& name() const { return lead_text_; }
  std::size_t lead_size() const { return lead_size_; }

 private:
  std::size_t NextChunkSize() const;
  void Take(std::span<const std::uint8_t> bytes);  // the header, or a whole chunk
  void OpenChunk(std::span<const std::uint8_t> sealed);
  std::size_t TakeLead(std::span<const std::uint8_t> plain);  // how much of plain was lead

  RawFile& output_;
  const SealKey& key_;
  std::array<std::uint8_t, seal::kParametersSize> authenticated_;
  std::uint64_t sealed_length_;
  std::size_t chunk_size_;
  crypto_secretstream_xchacha20poly1305_state state_;
  std::vector<std::uint8_t> pending_, plain_, held_;
  std::uint64_t received_ = 0, chunk_at_ = 0, plain_done_ = 0;
  bool started_ = false, finished_ = false;
  std::uint8_t layout_ = 0;
  std::size_t lead_size_ = 0;  // known once its first byte (or the layout) is
  std::string lead_text_;
};

}  // namespace veil::codec
