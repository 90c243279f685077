// The tromvex-view driver: renders an FCE car with its TGA texture into a PNG picture.
#include "app/view_driver.hpp"

#include <array>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

#include "app/companion.hpp"
#include "app/png.hpp"
#include "mesh/fce_reader.hpp"
#include "render/car_views.hpp"
#include "texture/tga_reader.hpp"

namespace tromvex {
namespace {

constexpr std::string_view kName = "tromvex-view";
const std::string kUsage =
    "Usage: tromvex-view <car>.fce <car>00.tga <picture>.png [--parts] [--size N]\n"
    "  Draws the car from its left side, the front, above and the front right into a PNG\n"
    "  picture N pixels wide (" +
    std::to_string(kMinPictureWidth) + " to " + std::to_string(kMaxPictureWidth) + ", default " +
    std::to_string(kDefaultPictureWidth) +
    ").\n  --parts draws each part in a colour of its own and lists their names.\n";

struct ViewArguments {
  std::string fce_name;
  std::string tga_name;
  std::string png_name;
  CarViewOptions options;
};

// The arguments, or the line that says what is wrong with them.
struct ParsedArguments {
  std::optional<ViewArguments> arguments;
  std::string problem;
};

std::optional<int> parse_width(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < kMinPictureWidth || value > kMaxPictureWidth) return std::nullopt;
  return value;
}

ParsedArguments parse(std::span<const std::string> args) {
  ViewArguments parsed;
  std::vector<std::string> names;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--parts") {
      parsed.options.colour_parts = true;
    } else if (arg == "--size") {
      const std::optional<int> width =
          i + 1 < args.size() ? parse_width(args[i + 1]) : std::nullopt;
      if (!width) {
        return {std::nullopt, "--size needs a width from " + std::to_string(kMinPictureWidth) +
                                  " to " + std::to_string(kMaxPictureWidth)};
      }
      parsed.options.width = *width;
      ++i;
    } else if (arg.starts_with("--")) {
      return {std::nullopt, "unknown option " + arg};
    } else {
      names.push_back(arg);
    }
  }
  if (names.size() != 3) {
    return {std::nullopt,
            "three file names are needed, " + std::to_string(names.size()) + " given"};
  }
  parsed.fce_name = names[0];
  parsed.tga_name = names[1];
  parsed.png_name = names[2];
  return {parsed, {}};
}

}  // namespace

int run_view(std::span<const std::string> args, Console& console) {
  if (auto status = answer_help_or_version(args, console, kName, kUsage)) return *status;
  const ParsedArguments parsed = parse(args);
  if (!parsed.arguments) return usage_error(console, kName, parsed.problem, kUsage);
  const ViewArguments& a = *parsed.arguments;
  const std::array<std::string, 2> inputs{a.fce_name, a.tga_name};
  if (auto failure = output_among_inputs(a.png_name, inputs)) return fail(console, *failure);

  Bytes fce_file;
  if (auto failure = load_input(a.fce_name, fce_file)) return fail(console, *failure);
  Bytes tga_file;
  if (auto failure = load_input(a.tga_name, tga_file)) return fail(console, *failure);

  Bytes png;
  CarViews views;
  const std::string* reading = &a.fce_name;
  const auto failure = failure_of(
      [&] {
        const FceCar car = read_fce_image(fce_file);
        reading = &a.tga_name;
        const RgbaPicture texture = read_tga_image(tga_file);
        reading = &a.fce_name;  // a car that would take too long to draw
        views = render_car_views(car, texture, a.options);
        png = encode_png(views.picture);
      },
      "draw", a.fce_name, [&] { return *reading; });
  if (failure) return fail(console, *failure);
  if (auto write_failure = write_output(a.png_name, png)) return fail(console, *write_failure);
  console.print("Wrote " + a.png_name + ": " + std::to_string(views.picture.width) + " x " +
                std::to_string(views.picture.height) + " pixels, " +
                std::to_string(views.parts_drawn) + " parts, " +
                std::to_string(views.triangles_drawn) + " triangles\n");
  return 0;
}

}  // namespace tromvex
