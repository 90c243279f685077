// The tromvex-unpack driver: loads the packed file, unpacks it whatever scheme it uses and
// writes the raw bytes safely, with one line saying how it went.
#include "app/unpack_driver.hpp"

#include <exception>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "app/platform.hpp"
#include "common/malformed_file.hpp"
#include "texture/texture_file.hpp"

namespace tromvex {
namespace {

constexpr std::string_view kUsage =
    "Usage: tromvex-unpack <packed file> <unpacked file>\n"
    "Unpacks a RefPack (10 FB, 11 FB), Huffman (30-35 FB, B0-B5 FB) or BTree (46 FB) file of\n"
    "NFS2(SE) into its raw bytes; a plain SHPI archive is copied as it is.\n";
constexpr int kFailure = 1;
constexpr int kUsageStatus = 2;

int fail(Console& console, const std::string& line) {
  console.print(line + "\n");
  return kFailure;
}

}  // namespace

int run_unpack(std::span<const std::string> args, Console& console) {
  if (args.size() != 3) {
    console.print(kUsage);
    return kUsageStatus;
  }
  const std::string& in_name = args[1];
  const std::string& out_name = args[2];

  std::optional<Bytes> packed = load_whole_file(in_name);
  if (!packed) return fail(console, "Could not open " + in_name);

  std::string scheme;
  Bytes unpacked;
  try {
    scheme = texture_file_scheme(*packed);
    unpacked = read_texture_file(std::move(*packed));
  } catch (const MalformedFile& error) {
    return fail(console, "Could not read " + in_name + ": " + error.what());
  } catch (const std::bad_alloc&) {
    return fail(console, "Not enough memory to unpack " + in_name);
  } catch (const std::exception& error) {
    return fail(console, "Could not unpack " + in_name + ": " + error.what());
  }

  switch (write_whole_file(out_name, unpacked)) {
    case WriteOutcome::written:
      console.print("Unpacked " + in_name + " (" + scheme + "): " + std::to_string(unpacked.size()) +
                    " bytes to " + out_name + "\n");
      return 0;
    case WriteOutcome::cannot_create:
      return fail(console, "Could not open " + out_name);
    case WriteOutcome::write_failed:
      return fail(console, "Could not write " + out_name + " (is the disk full?); it was left as it was");
  }
  return fail(console, "Could not write " + out_name);
}

}  // namespace tromvex
