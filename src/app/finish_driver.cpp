// The tromvex-finish driver: loads the FCE file, finishes it and writes it safely, with one line
// saying how it went.
#include "app/finish_driver.hpp"

#include <array>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "app/companion.hpp"
#include "mesh/fce_finish.hpp"

namespace tromvex {
namespace {

constexpr std::string_view kName = "tromvex-finish";
constexpr std::string_view kUsage =
    "Usage: tromvex-finish <car>.fce <finished car>.fce\n"
    "Gives every vertex of an NFS3 FCE car the normal the game lights it with, and the car the\n"
    "half sizes of its high body and wheels; the finished car may replace the car itself.\n";

// A half size in metres with two decimals, rounded from the float's exact value, whatever the
// locale.
std::string metres(float value) {
  std::array<char, 64> text{};  // the largest float has 39 digits before the point
  const auto result =
      std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 2);
  return std::string(text.data(), result.ptr);
}

// Why the command line is wrong, or nothing when it names two files.
std::optional<std::string> argument_problem(std::span<const std::string> args) {
  if (auto option = first_long_option(args)) return "unknown option " + std::string(*option);
  const std::size_t given = args.empty() ? 0 : args.size() - 1;
  if (given != 2) return "two file names are needed, " + std::to_string(given) + " given";
  return std::nullopt;
}

}  // namespace

int run_finish(std::span<const std::string> args, Console& console) {
  if (auto status = answer_help_or_version(args, console, kName, kUsage)) return *status;
  if (auto problem = argument_problem(args)) return usage_error(console, kName, *problem, kUsage);
  const std::string& in_name = args[1];
  const std::string& out_name = args[2];

  Bytes car;
  if (auto failure = load_input(in_name, car)) return fail(console, *failure);
  FinishedFce finished;
  const auto failure = failure_of([&] { finished = finish_fce_image(car); }, "finish", in_name,
                                  [&] { return in_name; });
  if (failure) return fail(console, *failure);
  if (auto write_failure = write_output(out_name, finished.image))
    return fail(console, *write_failure);
  console.print("Finished " + out_name + ": " + std::to_string(finished.part_count) + " parts, " +
                std::to_string(finished.normal_count) + " normals, half sizes " +
                metres(finished.half_sizes.x) + " x " + metres(finished.half_sizes.y) + " x " +
                metres(finished.half_sizes.z) + " m\n");
  return 0;
}

}  // namespace tromvex
