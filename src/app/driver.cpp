// The command-line driver: loads the two inputs, runs the conversion phase by phase with a
// progress line before each, writes the two outputs and ends with the pause.
#include "app/driver.hpp"

#include <exception>
#include <new>
#include <optional>
#include <string_view>
#include <utility>

#include "app/platform.hpp"
#include "common/malformed_file.hpp"
#include "common/version.hpp"
#include "pipeline/convert.hpp"

namespace tromvex {
namespace {

constexpr std::string_view kUsage =
    "\nUsage: tromvex <filename>.geo <filename>.qfs <filename>.fce <filename>00.tga\n\n";

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
  return 1;
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

// Writes one output file; on failure makes the failure stop and returns its status.
std::optional<int> write_output(Console& console, const std::string& name, const Bytes& image) {
  switch (write_whole_file(name, image)) {
    case WriteOutcome::written:
      return std::nullopt;
    case WriteOutcome::cannot_create:
      return stop(console, "\nCould not open " + name);
    case WriteOutcome::write_failed:
      return stop(console, "\nCould not write " + name + " (is the disk full?); it was left as it was");
  }
  return stop(console, "\nCould not write " + name);
}

}  // namespace

int run(std::span<const std::string> args, Console& console) {
  console.print(banner());
  console.print(kUsage);
  if (args.size() < 5) return stop(console, "\nNot enought parameters");

  const std::string& geo_name = args[1];
  const std::string& qfs_name = args[2];
  const std::string& fce_name = args[3];
  const std::string& tga_name = args[4];

  console.print("Reading NFS2(SE) files:\n");
  console.print("\t- Reading GEO file...\n");
  std::optional<Bytes> geo_image = load_whole_file(geo_name);
  if (!geo_image) return stop(console, "\nCould not open " + geo_name);

  console.print("\t- Reading QFS file...\n");
  std::optional<Bytes> texture_file = load_whole_file(qfs_name);
  if (!texture_file) return stop(console, "\nCould not open " + qfs_name);

  ProgressPrinter progress(console);
  CarImages images;
  try {
    images = convert_car(*geo_image, std::move(*texture_file), progress);
  } catch (const MalformedFile& error) {
    const std::string& name = progress.reading_geo_file() ? geo_name : qfs_name;
    return stop(console, "\nCould not read " + name + ": " + error.what());
  } catch (const std::bad_alloc&) {
    return stop(console, "\nNot enough memory to convert " + geo_name + " and " + qfs_name);
  } catch (const std::exception& error) {
    // A fault of ours, not of the files: still a failure stop, never a crash.
    return stop(console, "\nCould not convert " + geo_name + " and " + qfs_name + ": " + error.what());
  }

  console.print("Writing NFS3 files:\n");
  console.print("\t- Writing TGA file...\n");
  if (auto status = write_output(console, tga_name, images.tga_image)) return *status;
  console.print("\t- Writing FCE file...\n");
  if (auto status = write_output(console, fce_name, images.fce_image)) return *status;

  geo_image.reset();
  images = {};
  console.print("\nConvertion sucessefull!");
  return console.wait_for_key();
}

}  // namespace tromvex
