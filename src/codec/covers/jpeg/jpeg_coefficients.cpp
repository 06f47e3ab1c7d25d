#include "codec/covers/jpeg/jpeg_coefficients.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include "codec/covers/jpeg/jpeg_guard.h"
// jerror.h after jpeglib.h, which the guard brings.
#include <jerror.h>
#include "codec/covers/large_buffer.h"

namespace veil::codec::jpeg {
namespace {

constexpr std::uint8_t kDht = 0xC4;

// A decompressor and a compressor that share one error manager, destroyed
// whatever happened.
struct Codecs {
  JpegErrors errors;
  jpeg_decompress_struct source{};
  jpeg_compress_struct target{};
  bool target_made = false;

  Codecs() {
    source.err = InstallErrors(errors);
    jpeg_create_decompress(&source);
    WatchScans(&source, errors);
  }
  void MakeTarget() {
    target.err = &errors.manager;
    jpeg_create_compress(&target);
    WatchPasses(&target, errors);
    target_made = true;
  }
  ~Codecs() {
    if (target_made) jpeg_destroy_compress(&target);
    jpeg_destroy_decompress(&source);
  }
  Codecs(const Codecs&) = delete;
  Codecs& operator=(const Codecs&) = delete;

  std::string Message() const { return errors.message; }
};

// What the decoder refuses on its own account: kinds that are not covers.
struct DecodeStep {
  std::span<const std::uint8_t> file;
  Codecs* codecs;
  Coefficients* out;
  const char* refusal = nullptr;
  bool forged_size = false;
};

std::uint64_t BlocksOf(const jpeg_decompress_struct& cinfo) {
  std::uint64_t blocks = 0;
  for (int ci = 0; ci < cinfo.num_components; ++ci)
    blocks += std::uint64_t{cinfo.comp_info[ci].width_in_blocks} * cinfo.comp_info[ci].height_in_blocks;
  return blocks;
}

void Decode(void* context) {
  auto& step = *static_cast<DecodeStep*>(context);
  j_decompress_ptr cinfo = &step.codecs->source;
  jpeg_mem_src(cinfo, step.file.data(), static_cast<unsigned long>(step.file.size()));
  jpeg_read_header(cinfo, TRUE);
  if (cinfo->arith_code) {
    step.refusal = "the stealth form does not read arithmetic-coded JPEG pictures";
    return;
  }
  if (cinfo->data_precision != 8) {
    step.refusal = "the stealth form reads 8-bit JPEG pictures only";
    return;
  }
  if (cinfo->num_components != 1 && cinfo->num_components != 3) {
    step.refusal = "the stealth form reads grey and colour (three-component) JPEG pictures, not CMYK";
    return;
  }
  if (std::uint64_t{cinfo->image_width} * cinfo->image_height > kMostPixels) {
    step.refusal = "the JPEG picture has more pixels than the stealth form reads (2^28)";
    return;
  }
  const std::uint64_t blocks = BlocksOf(*cinfo);
  if (blocks > kMostBlocksPerByte * step.file.size()) {
    step.forged_size = true;
    return;
  }
  jvirt_barray_ptr* arrays = jpeg_read_coefficients(cinfo);
  DctGrid& grid = step.out->grid;
  grid.picture_width = cinfo->image_width;
  grid.picture_height = cinfo->image_height;
  grid.components.resize(static_cast<std::size_t>(cinfo->num_components));
  ResizeLarge(step.out->values, blocks * 64);
  std::uint64_t first = 0;
  for (int ci = 0; ci < cinfo->num_components; ++ci) {
    const jpeg_component_info& info = cinfo->comp_info[ci];
    DctComponent& component = grid.components[static_cast<std::size_t>(ci)];
    component.width_in_blocks = info.width_in_blocks;
    component.height_in_blocks = info.height_in_blocks;
    component.first = first;
    if (info.quant_table != nullptr)
      for (int k = 0; k < 64; ++k) component.quant[static_cast<std::size_t>(k)] = info.quant_table->quantval[k];
    std::uint16_t* out = step.out->values.data() + first;
    for (JDIMENSION row = 0; row < info.height_in_blocks; ++row) {
      JBLOCKARRAY rows =
          (*cinfo->mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(cinfo), arrays[ci], row, 1, FALSE);
      for (JDIMENSION column = 0; column < info.width_in_blocks; ++column)
        for (int k = 0; k < 64; ++k) *out++ = static_cast<std::uint16_t>(rows[0][column][k] + kCoefficientOffset);
    }
    first += component.Blocks() * 64;
  }
  jpeg_finish_decompress(cinfo);
}

// libjpeg's output gathered into a vector a piece at a time.
struct VectorDestination {
  jpeg_destination_mgr manager{};
  std::vector<std::uint8_t>* bytes = nullptr;
  JpegErrors* errors = nullptr;
  std::array<JOCTET, 1 << 16> piece{};
};

void Append(j_compress_ptr cinfo, std::size_t count) {
  auto* destination = reinterpret_cast<VectorDestination*>(cinfo->dest);
  bool failed = false;
  try {
    destination->bytes->insert(destination->bytes->end(), destination->piece.begin(),
                               destination->piece.begin() + static_cast<std::ptrdiff_t>(count));
  } catch (const std::exception&) {
    failed = true;
  }
  if (failed) {
    std::snprintf(destination->errors->message, sizeof destination->errors->message, "out of memory");
    destination->errors->failed = true;
    std::longjmp(destination->errors->jump, 1);
  }
  destination->manager.next_output_byte = destination->piece.data();
  destination->manager.free_in_buffer = destination->piece.size();
}

void StartPiece(j_compress_ptr cinfo) { Append(cinfo, 0); }
boolean EmptyPiece(j_compress_ptr cinfo) {
  Append(cinfo, reinterpret_cast<VectorDestination*>(cinfo->dest)->piece.size());
  return TRUE;
}
void LastPiece(j_compress_ptr cinfo) {
  auto* destination = reinterpret_cast<VectorDestination*>(cinfo->dest);
  Append(cinfo, destination->piece.size() - destination->manager.free_in_buffer);
}

struct EncodeStep {
  std::span<const std::uint8_t> file;
  const Layout* layout;
  std::span<const std::uint16_t> values;
  bool keep_tables;
  Codecs* codecs;
  VectorDestination* destination;
};

int ComponentIndex(const jpeg_decompress_struct& cinfo, std::uint8_t id) {
  for (int ci = 0; ci < cinfo.num_components; ++ci)
    if (cinfo.comp_info[ci].component_id == id) return ci;
  return -1;
}

JHUFF_TBL* CopyTable(j_compress_ptr cinfo, const JHUFF_TBL* table) {
  if (table == nullptr) return nullptr;
  JHUFF_TBL* copy = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(cinfo));
  std::memcpy(copy->bits, table->bits, sizeof copy->bits);
  std::memcpy(copy->huffval, table->huffval, sizeof copy->huffval);
  copy->sent_table = FALSE;
  return copy;
}

void Encode(void* context) {
  auto& step = *static_cast<EncodeStep*>(context);
  j_decompress_ptr source = &step.codecs->source;
  j_compress_ptr target = &step.codecs->target;
  jpeg_mem_src(source, step.file.data(), static_cast<unsigned long>(step.file.size()));
  jpeg_read_header(source, TRUE);
  jvirt_barray_ptr* arrays = jpeg_read_coefficients(source);
  const std::uint16_t* in = step.values.data();
  for (int ci = 0; ci < source->num_components; ++ci) {
    const jpeg_component_info& info = source->comp_info[ci];
    for (JDIMENSION row = 0; row < info.height_in_blocks; ++row) {
      JBLOCKARRAY rows =
          (*source->mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(source), arrays[ci], row, 1, TRUE);
      for (JDIMENSION column = 0; column < info.width_in_blocks; ++column)
        for (int k = 0; k < 64; ++k) rows[0][column][k] = static_cast<JCOEF>(*in++ - kCoefficientOffset);
    }
  }

  jpeg_copy_critical_parameters(source, target);
  target->restart_interval = source->restart_interval;
  target->optimize_coding = step.keep_tables ? FALSE : TRUE;
  const auto& scans = step.layout->scans;
  auto* script = static_cast<jpeg_scan_info*>((*target->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(target), JPOOL_PERMANENT, sizeof(jpeg_scan_info) * scans.size()));
  for (std::size_t s = 0; s < scans.size(); ++s) {
    const ScanHeader& scan = scans[s];
    script[s].comps_in_scan = static_cast<int>(scan.component_ids.size());
    for (std::size_t i = 0; i < scan.component_ids.size(); ++i) {
      const int index = ComponentIndex(*source, scan.component_ids[i]);
      if (index < 0) ERREXIT(source, JERR_BAD_COMPONENT_ID);
      script[s].component_index[i] = index;
    }
    script[s].Ss = scan.ss;
    script[s].Se = scan.se;
    script[s].Ah = scan.ah;
    script[s].Al = scan.al;
  }
  target->scan_info = script;
  target->num_scans = static_cast<int>(scans.size());
  if (step.keep_tables) {
    for (int slot = 0; slot < NUM_HUFF_TBLS; ++slot) {
      target->dc_huff_tbl_ptrs[slot] = CopyTable(target, source->dc_huff_tbl_ptrs[slot]);
      target->ac_huff_tbl_ptrs[slot] = CopyTable(target, source->ac_huff_tbl_ptrs[slot]);
    }
    const ScanHeader& only = scans.front();
    for (std::size_t i = 0; i < only.component_ids.size(); ++i) {
      jpeg_component_info& info = target->comp_info[ComponentIndex(*source, only.component_ids[i])];
      info.dc_tbl_no = only.tables[i] >> 4;
      info.ac_tbl_no = only.tables[i] & 15;
    }
  }
  step.destination->manager.init_destination = StartPiece;
  step.destination->manager.empty_output_buffer = EmptyPiece;
  step.destination->manager.term_destination = LastPiece;
  target->dest = &step.destination->manager;
  jpeg_write_coefficients(target, arrays);
  jpeg_finish_compress(target);
  jpeg_finish_decompress(source);
}

// The coded scans put in place of the file's: its bytes up to the first
// scan (without its Huffman tables, when new ones replace them, which go
// where the first of them stood), the new scans to the end of the image,
// and the file's bytes after it.
std::vector<std::uint8_t> Splice(std::span<const std::uint8_t> file, const Layout& layout,
                                 std::span<const std::uint8_t> coded, const Layout& coded_layout, bool keep_tables) {
  std::vector<std::uint8_t> out;
  out.reserve(layout.first_scan + (coded_layout.end - coded_layout.first_scan) + (file.size() - layout.end));
  auto append = [&out](std::span<const std::uint8_t> bytes, std::size_t from, std::size_t to) {
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(to));
  };
  bool inserted = keep_tables;
  auto insert_tables = [&] {
    for (const Segment& segment : coded_layout.header)
      if (segment.marker == kDht) append(coded, segment.offset, segment.offset + segment.size);
    inserted = true;
  };
  std::size_t cursor = 0;
  if (!keep_tables) {
    for (const Segment& segment : layout.header) {
      if (segment.marker != kDht) continue;
      append(file, cursor, segment.offset);
      if (!inserted) insert_tables();
      cursor = segment.offset + segment.size;
    }
  }
  append(file, cursor, layout.first_scan);
  if (!inserted) insert_tables();
  append(coded, coded_layout.first_scan, coded_layout.end);
  append(file, layout.end, file.size());
  return out;
}

}  // namespace

std::variant<Coefficients, CoefficientRefusal> DecodeCoefficients(std::span<const std::uint8_t> file,
                                                                 RunProgress* progress, double from, double to) {
  Codecs codecs;
  codecs.errors.run = progress;
  codecs.errors.from = from;
  codecs.errors.to = to;
  codecs.errors.split = to;
  Coefficients coefficients;
  DecodeStep step{file, &codecs, &coefficients};
  if (!RunGuarded(codecs.errors, Decode, &step)) {
    if (codecs.errors.cancelled) throw RunCancelled{};
    return CoefficientRefusal{true, "the JPEG is damaged: " + codecs.Message()};
  }
  if (step.refusal != nullptr) return CoefficientRefusal{false, step.refusal};
  if (step.forged_size)
    return CoefficientRefusal{true, "the JPEG is damaged: its header claims more blocks than its data can hold"};
  if (codecs.errors.warned)
    return CoefficientRefusal{true, std::string("the JPEG is damaged: ") + codecs.errors.warning};
  return coefficients;
}

std::vector<std::uint8_t> EncodeCoefficients(std::span<const std::uint8_t> file, const Layout& layout,
                                             std::span<const std::uint16_t> values, std::string* error,
                                             RunProgress* progress) {
  // The file's own tables only serve one baseline scan that they still code.
  const bool may_keep = layout.frame_marker != 0xC2 && layout.scans.size() == 1 && !layout.tables_between_scans;
  for (const bool keep_tables : {true, false}) {
    if (keep_tables && !may_keep) continue;
    std::vector<std::uint8_t> coded;
    {
      Codecs codecs;
      codecs.errors.run = progress;
      codecs.errors.from = keep_tables ? 0 : 0.3;
      codecs.errors.split = keep_tables ? 0.3 : 0.45;
      codecs.errors.to = 0.6;
      codecs.MakeTarget();
      auto destination = std::make_unique<VectorDestination>();
      destination->bytes = &coded;
      destination->errors = &codecs.errors;
      EncodeStep step{file, &layout, values, keep_tables, &codecs, destination.get()};
      if (!RunGuarded(codecs.errors, Encode, &step)) {
        if (codecs.errors.cancelled) throw RunCancelled{};
        if (error != nullptr) *error = codecs.Message();
        continue;
      }
    }
    auto coded_layout = ReadLayout(coded);
    if (!std::holds_alternative<Layout>(coded_layout)) {
      if (error != nullptr) *error = "libjpeg wrote scans this program cannot read back";
      continue;
    }
    auto spliced = Splice(file, layout, coded, std::get<Layout>(coded_layout), keep_tables);
    // libjpeg codes a value its table lacks as nothing, without a word:
    // only decoding tells.
    const auto back = DecodeCoefficients(spliced, progress, 0.6, 1);
    const auto* decoded = std::get_if<Coefficients>(&back);
    if (decoded != nullptr && std::equal(decoded->values.begin(), decoded->values.end(), values.begin(), values.end()))
      return spliced;
    if (error != nullptr) *error = "the coded scans do not give back the coefficients";
  }
  return {};
}

}  // namespace veil::codec::jpeg
