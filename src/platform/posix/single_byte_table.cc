// The tables of the single-byte code pages: each byte's character as iconv
// gives it (with the unassigned bytes of 0x80 to 0x9F kept as C1 controls,
// as Windows does), and the reverse map, built once per page.
#include "platform/posix/single_byte_table.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/posix/iconv_handle.h"

namespace standin {
namespace internal {
namespace {

std::unique_ptr<SingleByteTable> BuildSingleByteTable(const CodePage& page) {
  Iconv decoder("UTF-32LE", page.iconvName);
  if (!decoder.ok()) return nullptr;
  auto table = std::make_unique<SingleByteTable>();
  for (unsigned byte = 0; byte < 256; ++byte) {
    const char in = static_cast<char>(byte);
    char out[8];
    std::size_t written = 0;
    if (decoder.Convert(&in, 1, out, sizeof out, &written) && written == 4) {
      table->toUnicode[byte] = ReadUtf32Le(out);
    } else if (byte >= 0x80 && byte <= 0x9F) {
      // Windows gives the unassigned bytes of this row the C1 control of the
      // same value, so that every byte survives a round trip.
      table->toUnicode[byte] = byte;
    } else {
      table->toUnicode[byte] = kNoCharacter;
    }
  }
  for (unsigned byte = 0; byte < 256; ++byte) {
    if (table->toUnicode[byte] != kNoCharacter) {
      table->fromUnicode.emplace(table->toUnicode[byte], static_cast<unsigned char>(byte));
    }
  }
  return table;
}

}  // namespace

const SingleByteTable* SingleByteTableFor(const CodePage& page) {
  static std::mutex mutex;
  static auto* tables = new std::map<UINT, std::unique_ptr<SingleByteTable>>;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = tables->find(page.id);
  if (found == tables->end()) found = tables->emplace(page.id, BuildSingleByteTable(page)).first;
  return found->second.get();
}

}  // namespace internal
}  // namespace standin
