// The tromvex-unpack driver: loads the packed file, unpacks it whatever scheme it uses and
// writes the raw bytes safely, with one line saying how it went.
#include "app/unpack_driver.hpp"

#include <string_view>
#include <utility>

#include "app/companion.hpp"
#include "texture/texture_file.hpp"

namespace tromvex {
namespace {

constexpr std::string_view kName = "tromvex-unpack";
constexpr std::string_view kUsage =
    "Usage: tromvex-unpack <packed file> <unpacked file>\n"
    "Unpacks a RefPack (10 FB, 11 FB), Huffman (30-35 FB, B0-B5 FB) or BTree (46 FB) file of\n"
    "NFS2(SE) into its raw bytes; a plain SHPI archive is copied as it is.\n";

}  // namespace

int run_unpack(std::span<const std::string> args, Console& console) {
  if (auto status = answer_help_or_version(args, console, kName, kUsage)) return *status;
  if (auto option = first_long_option(args))
    return usage_error(console, kName, "unknown option " + std::string(*option), kUsage);
  if (args.size() != 3) return print_usage(console, kUsage);
  const std::string& in_name = args[1];
  const std::string& out_name = args[2];
  if (auto failure = output_among_inputs(out_name, args.subspan(1, 1)))
    return fail(console, *failure);

  Bytes packed;
  if (auto failure = load_input(in_name, packed)) return fail(console, *failure);
  std::string scheme;
  Bytes unpacked;
  const auto failure = failure_of(
      [&] {
        scheme = texture_file_scheme(packed);
        unpacked = read_texture_file(std::move(packed));
      },
      "unpack", in_name, [&] { return in_name; });
  if (failure) return fail(console, *failure);
  if (auto write_failure = write_output(out_name, unpacked)) return fail(console, *write_failure);
  console.print("Unpacked " + in_name + " (" + scheme + "): " + std::to_string(unpacked.size()) +
                " bytes to " + out_name + "\n");
  return 0;
}

}  // namespace tromvex
