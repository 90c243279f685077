// The command-line driver: loads the two inputs, converts them phase by phase with a progress
// line before each, writes the two outputs and ends with the pause.
#include "app/driver.hpp"

#include <array>
#include <optional>
#include <string_view>
#include <utility>

#include "app/companion.hpp"
#include "app/platform.hpp"
#include "common/version.hpp"
#include "pipeline/convert.hpp"

namespace tromvex {
namespace {

constexpr std::string_view kUsage =
    "\nUsage: tromvex <filename>.geo <filename>.qfs <filename>.fce <filename>00.tga\n\n";
// These two keep their misspellings letter for letter: tools and users match on the exact lines.
constexpr std::string_view kTooFewNames = "\nNot enought parameters";
constexpr std::string_view kSuccess = "\nConvertion sucessefull!";

std::string banner() {
  return std::string("\tNFS2(SE) -> NFS3 car converter") + "\n\ttromvex " + kVersion +
         ", free software under the MIT License" +
         "\n\tConverts an NFS2(SE) GEO and QFS car into an NFS3 FCE and TGA car" +
         "\n\tReport problems on the tromvex issue tracker, with the files that caused them\n";
}

// A failure stop: the message, the prompt, the pause; the key pressed does not matter.
int stop(Console& console, std::string_view message) {
  console.print(message);
  console.print("\nPress any key...");
  console.wait_for_key();
  return kFailureStatus;
}

// Prints the progress lines of each phase and remembers which phase is running, so that a
// rejected input can be named by its file.
class ProgressPrinter final : public ConversionEvents {
 public:
  explicit ProgressPrinter(Console& console) : console_(console) {}

  void before(Phase phase) override {
    phase_ = phase;
    switch (phase) {
      case Phase::texture_directory:
        console_.print("Reading NFS2(SE) car data:\n");
        console_.print("\t- Reading Texture data...\n");
        break;
      case Phase::mesh:
        console_.print("\t- Reading Mesh data...\n");
        break;
      case Phase::texture_conversion:
        console_.print("Converting NFS2(SE) car data to NFS3 car data:\n");
        console_.print("\t- Converting Texture\n");
        break;
      case Phase::mesh_conversion:
        console_.print("\t- Converting Mesh data\n");
        break;
    }
  }

  void missing_texture() override { console_.print("\tSCHEISSE!\n"); }

  // Only the mesh phase reads the GEO file; expanding and every other phase read the texture file.
  bool reading_geo_file() const { return phase_ == Phase::mesh; }

 private:
  Console& console_;
  std::optional<Phase> phase_;
};

// The four file names of the command line, in their order.
struct CarFileNames {
  const std::string& geo;
  const std::string& qfs;
  const std::string& fce;
  const std::string& tga;
};

// The two inputs, each read whole.
struct CarInputs {
  Bytes geo_image;
  Bytes texture_file;
};

// Each step below either does its part or makes the failure stop and returns its status.

// Refuses a run that would write its TGA or FCE file over one of its inputs, before anything
// is read or written; the TGA file, written first, is named first.
std::optional<int> check_outputs(Console& console, const CarFileNames& names) {
  const std::array<std::string, 2> inputs{names.geo, names.qfs};
  for (const std::string* output : {&names.tga, &names.fce}) {
    if (auto failure = output_among_inputs(*output, inputs)) return stop(console, "\n" + *failure);
  }
  return std::nullopt;
}

// Reads the GEO file, then the texture file.
std::optional<int> load_inputs(Console& console, const CarFileNames& names, CarInputs& inputs) {
  console.print("Reading NFS2(SE) files:\n");
  console.print("\t- Reading GEO file...\n");
  if (auto failure = load_input(names.geo, inputs.geo_image)) return stop(console, "\n" + *failure);
  console.print("\t- Reading QFS file...\n");
  if (auto failure = load_input(names.qfs, inputs.texture_file))
    return stop(console, "\n" + *failure);
  return std::nullopt;
}

// Converts the car in memory, phase by phase; the inputs are consumed. A malformed input is
// named by the file the failing phase was reading.
std::optional<int> convert_inputs(Console& console, const CarFileNames& names, CarInputs inputs,
                                  CarImages& images) {
  ProgressPrinter progress(console);
  const auto failure = failure_of(
      [&] { images = convert_car(inputs.geo_image, std::move(inputs.texture_file), progress); },
      "convert", names.geo + " and " + names.qfs,
      [&] { return progress.reading_geo_file() ? names.geo : names.qfs; });
  if (failure) return stop(console, "\n" + *failure);
  return std::nullopt;
}

// Writes one output file.
std::optional<int> write_file(Console& console, const std::string& name, const Bytes& image) {
  if (auto failure = write_output(name, image)) return stop(console, "\n" + *failure);
  return std::nullopt;
}

// Writes the TGA file, then the FCE file; a TGA file already written stays when the FCE file fails.
std::optional<int> write_outputs(Console& console, const CarFileNames& names,
                                 const CarImages& images) {
  console.print("Writing NFS3 files:\n");
  console.print("\t- Writing TGA file...\n");
  if (auto status = write_file(console, names.tga, images.tga_image)) return status;
  console.print("\t- Writing FCE file...\n");
  return write_file(console, names.fce, images.fce_image);
}

}  // namespace

int run(std::span<const std::string> args, Console& console) {
  console.print(banner());
  console.print(kUsage);
  if (args.size() < 5) return stop(console, kTooFewNames);
  const CarFileNames names{args[1], args[2], args[3], args[4]};
  if (auto status = check_outputs(console, names)) return *status;

  CarInputs inputs;
  if (auto status = load_inputs(console, names, inputs)) return *status;
  CarImages images;
  if (auto status = convert_inputs(console, names, std::move(inputs), images)) return *status;
  if (auto status = write_outputs(console, names, images)) return *status;

  images = {};  // the memory goes back before the pause, which may last
  return_freed_memory();
  console.print(kSuccess);
  return console.wait_for_key();
}

}  // namespace tromvex
