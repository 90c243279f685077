// The tromvex-port driver: reads the command line, finds the game's cars, converts them on
// parallel threads and writes each car folder, printing one line per car in name order; or
// shows one car's performance record.
#include "app/port_driver.hpp"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/companion.hpp"
#include "app/platform.hpp"
#include "app/port_files.hpp"
#include "common/malformed_file.hpp"
#include "common/records.hpp"
#include "port/physics_description.hpp"
#include "port/port_car.hpp"
#include "port/port_plan.hpp"
#include "viv/viv.hpp"

namespace tromvex {
namespace {

constexpr std::string_view kUsage =
    "Usage: tromvex-port GAME_FOLDER [OUT_FOLDER] [--donor CAR.VIV] [--serial N]\n"
    "                    [--only NAME...] [--exact] [--force] [--jobs N] [--physics]\n"
    "       tromvex-port GAME_FOLDER --show-physics NAME [--donor CAR.VIV]\n";
// Where the cars go when only the game folder is given (a folder dropped on the program).
constexpr std::string_view kDefaultOutFolderName = "NFS3 cars";
constexpr unsigned kMaxJobs = 64;

struct PortSettings {
  std::string game;
  std::string out;
  std::optional<std::string> donor;
  std::optional<unsigned> first_serial;
  std::vector<std::string> only;
  bool exact = false;
  bool force = false;
  unsigned jobs = 0;                        // 0: one per processor core
  bool physics = false;                     // each car's own performance record into its carp.txt
  std::optional<std::string> show_physics;  // the car whose record to show, writing nothing
};

// A whole number from low to high, nothing for any other text.
std::optional<unsigned> number_in(std::string_view text, unsigned low, unsigned high) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

// The folder named `name` beside path (a folder, maybe ending in a separator).
std::string folder_beside(std::string path, std::string_view name) {
  const auto is_separator = [](char c) { return c == '/' || c == '\\' || c == ':'; };
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  const auto last = std::find_if(path.rbegin(), path.rend(), is_separator).base();
  const std::string_view last_name(&*last, static_cast<std::size_t>(path.end() - last));
  if (last_name == "." || last_name == "..") return path_in(path, "../" + std::string(name));
  return std::string(path.begin(), last) + std::string(name);
}

// The settings the command line asks for; nothing, with why in problem ("" for the usage
// alone), for a wrong one.
std::optional<PortSettings> parse_arguments(std::span<const std::string> args,
                                            std::string& problem) {
  PortSettings settings;
  std::vector<std::string> operands;
  std::optional<std::string> serial, jobs;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--exact" || arg == "--force") {
      (arg == "--exact" ? settings.exact : settings.force) = true;
    } else if (arg == "--physics") {
      settings.physics = true;
    } else if (arg == "--only") {
      const std::size_t before = settings.only.size();
      while (i + 1 < args.size() && !args[i + 1].starts_with("--"))
        settings.only.push_back(args[++i]);
      if (settings.only.size() == before) problem = "--only needs the names of the cars";
    } else if (arg == "--donor" || arg == "--serial" || arg == "--jobs" ||
               arg == "--show-physics") {
      std::optional<std::string>& value = arg == "--donor"    ? settings.donor
                                          : arg == "--serial" ? serial
                                          : arg == "--jobs"   ? jobs
                                                              : settings.show_physics;
      if (value) problem = arg + " is given twice";
      if (i + 1 == args.size()) problem = arg + " needs a value";
      if (!problem.empty()) return std::nullopt;
      value = args[++i];
    } else if (arg.starts_with("--")) {
      problem = "there is no option " + arg;
    } else {
      operands.push_back(arg);
    }
    if (!problem.empty()) return std::nullopt;
  }
  if (operands.size() > 2) problem = "give the game folder and the out folder, no more names";
  if (operands.empty() || !problem.empty()) return std::nullopt;
  if (serial) {
    settings.first_serial = number_in(*serial, 0, kMaxSerialNumber);
    if (!settings.first_serial) problem = "--serial takes a number from 0 to 255";
    if (!settings.donor)
      problem = "--serial numbers the cars in the donor's carp.txt: give --donor";
  }
  if (jobs) {
    const auto count = number_in(*jobs, 1, kMaxJobs);
    if (!count) problem = "--jobs takes a number from 1 to " + std::to_string(kMaxJobs);
    settings.jobs = count.value_or(0);
  }
  if (settings.physics && !settings.donor) {
    problem = "--physics writes each car's physics into the donor's carp.txt: give --donor";
  }
  if (settings.show_physics && (operands.size() > 1 || serial || jobs || !settings.only.empty() ||
                                settings.exact || settings.force || settings.physics)) {
    problem = "--show-physics writes nothing: give it the game folder and --donor only";
  }
  if (!problem.empty()) return std::nullopt;
  settings.game = operands[0];
  settings.out =
      operands.size() == 2 ? operands[1] : folder_beside(settings.game, kDefaultOutFolderName);
  return settings;
}

// 1031220 as "1,031,220".
std::string with_thousands(std::size_t number) {
  std::string digits = std::to_string(number);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
  return digits;
}

std::string counted(std::size_t count, std::string_view one, std::string_view many) {
  return with_thousands(count) + " " + std::string(count == 1 ? one : many);
}

// A car-data archive of the game, read once for all its cars.
struct CarDataArchive {
  FoundFile file;
  Bytes image;
  std::vector<VivMember> members;  // views into image
};

// What every car's work reads; nothing changes it while the threads run.
struct SharedInputs {
  const PortSettings& settings;
  std::vector<CarDataArchive> archives;
  Bytes donor_image;
  std::optional<Donor> donor;
};

// How a car's port ended.
struct JobOutcome {
  bool ported = false;
  std::string text;                    // its line after the name
  bool own_physics = false;            // its carp.txt holds its own record's physics (--physics)
  std::vector<DonorGap> physics_gaps;  // what the donor's carp.txt could not give them
};

// One car to port, as the threads hand it on. Guarded by the queue's mutex.
struct CarJob {
  const PlannedCar* car = nullptr;
  bool decided = false;    // its conversion has ended, either way
  bool converted = false;  // and gave a car
  std::optional<unsigned> serial;
  bool done = false;  // its folder is written, or it failed
  JobOutcome outcome;
};

// Hands the cars to the threads in name order, numbers the converted ones in that order
// whatever order their conversions end in, and tells the printer when each car is done.
class CarQueue {
 public:
  CarQueue(std::vector<CarJob>& jobs, std::optional<unsigned> first_serial)
      : jobs_(jobs), next_serial_(first_serial) {}

  // The next car to port, or nothing when every car has been taken.
  CarJob* take() {
    const std::lock_guard lock(mutex_);
    return next_ < jobs_.size() ? &jobs_[next_++] : nullptr;
  }

  // Records how the car's conversion ended, then waits until every earlier car's has, and
  // returns its serial number (when serial numbers are given).
  std::optional<unsigned> decide(CarJob& job, bool converted) {
    std::unique_lock lock(mutex_);
    job.decided = true;
    job.converted = converted;
    // Every earlier car was taken before this one, so its conversion ends without waiting.
    while (decided_ < jobs_.size() && jobs_[decided_].decided) {
      CarJob& first = jobs_[decided_++];
      if (first.converted && next_serial_) first.serial = (*next_serial_)++;
    }
    changed_.notify_all();
    changed_.wait(lock, [&] { return decided_ > index_of(job); });
    return job.serial;
  }

  void finish(CarJob& job, JobOutcome outcome) {
    const std::lock_guard lock(mutex_);
    job.outcome = std::move(outcome);
    job.done = true;
    ++done_count_;
    changed_.notify_all();
  }

  // Waits until the car is done or the count of cars done differs from done_seen; returns
  // whether the car is done and the count. A car done is changed no more.
  std::pair<bool, std::size_t> wait(const CarJob& job, std::size_t done_seen) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return job.done || done_count_ != done_seen; });
    return {job.done, done_count_};
  }

 private:
  std::size_t index_of(const CarJob& job) const {
    return static_cast<std::size_t>(&job - jobs_.data());
  }

  std::vector<CarJob>& jobs_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_ = 0;
  std::size_t decided_ = 0;  // the cars before it have all decided
  std::size_t done_count_ = 0;
  std::optional<unsigned> next_serial_;
};

// Loads the car's GEO file (from its archive or the game folder) and its texture file and
// converts the car; nothing, with the failure text, when it cannot.
std::optional<ConvertedCar> convert_job(const SharedInputs& in, const PlannedCar& car,
                                        std::string& failure) {
  const std::string& game = in.settings.game;
  Bytes loose_geo;
  std::span<const std::uint8_t> geo_image;
  if (car.geo.member) {
    geo_image = in.archives[car.geo.archive].members[*car.geo.member].bytes;
  } else if (auto loaded = load_whole_file(path_in(game, relative_path(car.geo.file)))) {
    loose_geo = std::move(*loaded);
    geo_image = loose_geo;
  } else {
    failure = unreadable(describe_geo(car.geo));
    return std::nullopt;
  }
  std::optional<Bytes> texture = load_whole_file(path_in(game, relative_path(*car.texture)));
  if (!texture) {
    failure = unreadable(relative_path(*car.texture));
    return std::nullopt;
  }
  std::optional<ConvertedCar> converted;
  CarStep step = CarStep::texture_file;
  try {
    converted = convert_port_car(geo_image, std::move(*texture), in.settings.exact, step);
  } catch (const MalformedFile& error) {
    if (step == CarStep::finishing) {
      failure = "Could not finish the car of " + describe_geo(car.geo) + ": " + error.what() +
                " (--exact ports it unfinished)";
    } else {
      const std::string file =
          step == CarStep::geo_file ? describe_geo(car.geo) : relative_path(*car.texture);
      failure = "Could not read " + file + ": " + error.what();
    }
  }
  return converted;
}

// How a car's own performance record was looked for: the member "p" + its GEO member's name
// without ".GEO" + ".DAT" (any case) of the archive that holds the GEO member.
struct CarRecord {
  enum class Found { no_archive, no_member, refused, read };
  Found found = Found::no_archive;
  std::string name;                     // the member's name as stored, or as looked for
  std::optional<PhysicsRecord> record;  // when read
  std::string refusal;                  // the reader's message, when refused
};

CarRecord read_car_record(const SharedInputs& in, const PlannedCar& car) {
  CarRecord found;
  if (!car.geo.member) return found;  // a loose GEO file has no archive beside it
  const std::vector<VivMember>& members = in.archives[car.geo.archive].members;
  found.name = physics_record_name(car.geo.member_name);
  const std::optional<std::size_t> member = find_viv_member(members, found.name);
  if (!member) {
    found.found = CarRecord::Found::no_member;
    return found;
  }
  found.name = members[*member].name;
  try {
    found.record = read_physics_record(members[*member].bytes);
    found.found = CarRecord::Found::read;
  } catch (const MalformedFile& error) {
    found.found = CarRecord::Found::refused;
    found.refusal = error.what();
  }
  return found;
}

// A car's physics under --physics: its own record mapped onto the donor's carp.txt, or why
// it keeps the donor's.
struct CarPhysics {
  std::optional<PhysicsMap> map;
  std::string note;  // for its line: "physics: pSMPL.dat", "physics: donor's (no pBlox.DAT)"
};

CarPhysics physics_of(const SharedInputs& in, const PlannedCar& car) {
  const Donor& donor = *in.donor;
  const auto donors = [](const std::string& why) {
    return CarPhysics{std::nullopt, "physics: donor's (" + why + ")"};
  };
  if (!donor.carp) {  // the summary says why in full
    return donors(find_viv_member(donor.members, kCarpName) ? "its carp.txt cannot be read"
                                                            : "it holds no carp.txt");
  }
  const CarRecord found = read_car_record(in, car);
  const std::string name = printable_name(found.name);
  switch (found.found) {
    case CarRecord::Found::no_archive:
      return donors("no performance record beside a loose GEO file");
    case CarRecord::Found::no_member:
      return donors("no " + name);
    case CarRecord::Found::refused:
      return donors(name + ": " + found.refusal);
    case CarRecord::Found::read:
      break;
  }
  return {map_donor_physics(*found.record, *donor.carp), "physics: " + name};
}

// What a ported car's line says of it after its files.
std::string car_details(const ConvertedCar& car, std::optional<unsigned> serial) {
  std::string text = "(" + counted(car.part_count, "part", "parts") + ", " +
                     counted(car.triangle_count, "triangle", "triangles") + ", " +
                     (car.finished ? "finished" : "exact");
  if (serial) text += ", serial " + std::to_string(*serial);
  if (car.missing_texture_polygons > 0) {
    text += ", " + counted(car.missing_texture_polygons, "polygon names", "polygons name") +
            " a missing texture";
  }
  return text + ")";
}

// "car.viv 1,031,220 bytes", or the same of each file.
std::string files_text(const std::vector<CarFolderFile>& files) {
  std::string text;
  for (const CarFolderFile& file : files) {
    if (!text.empty()) text += ", ";
    text += file.name + " " + counted(file.bytes.size(), "byte", "bytes");
  }
  return text;
}

// The car's own carp.txt, from the donor's: its physics and its serial number set. Nothing
// keeps the donor's as it is (no donor, or neither physics nor a serial number to set).
std::optional<CarpFile> car_carp_of(const SharedInputs& in,
                                    const std::optional<PhysicsMap>& physics,
                                    std::optional<unsigned> serial) {
  if (!physics && !serial) return std::nullopt;
  CarpFile carp = physics ? carp_with_physics(*in.donor->carp, *physics) : *in.donor->carp;
  return serial ? car_carp(carp, *serial) : carp;
}

// Builds the converted car's folder in memory and writes it.
JobOutcome write_job(const SharedInputs& in, const PlannedCar& car, ConvertedCar converted,
                     std::optional<unsigned> serial) {
  const std::string folder = path_in(in.settings.out, car.name);
  JobOutcome outcome;
  const auto failure = failure_of(
      [&] {
        std::optional<CarPhysics> physics;
        if (in.settings.physics) physics = physics_of(in, car);
        const std::optional<CarpFile> carp =
            car_carp_of(in, physics ? physics->map : std::nullopt, serial);
        std::string details = car_details(converted, serial);
        if (physics) details += ", " + physics->note;
        const std::vector<CarFolderFile> files = build_car_folder(
            std::move(converted), in.donor ? &*in.donor : nullptr, carp ? &*carp : nullptr);
        if (auto written = write_car_folder(folder, files, in.settings.force)) {
          outcome.text = *written;
          return;
        }
        outcome = {true, files_text(files) + " " + details, physics && physics->map, {}};
        if (outcome.own_physics) outcome.physics_gaps = physics->map->gaps;
      },
      "write", folder, [&] { return folder; });
  if (failure) outcome = {false, *failure, false, {}};
  return outcome;
}

// Ports one car: converts it, waits for its serial number, writes its folder.
void port_job(const SharedInputs& in, CarQueue& queue, CarJob& job) {
  const PlannedCar& car = *job.car;
  std::string failure;
  std::optional<ConvertedCar> converted;
  const auto caught = failure_of([&] { converted = convert_job(in, car, failure); }, "port",
                                 car.name, [&] { return describe_geo(car.geo); });
  if (caught) failure = *caught;
  const std::optional<unsigned> serial = queue.decide(job, converted.has_value());
  if (!converted) return queue.finish(job, {false, failure, false, {}});
  queue.finish(job, write_job(in, car, std::move(*converted), serial));
}

// Takes cars from the queue until none is left. Each car's failure is its own.
void port_worker(const SharedInputs& in, CarQueue& queue) {
  while (CarJob* job = queue.take()) port_job(in, queue, *job);
}

class PortRun {
 public:
  PortRun(const PortSettings& settings, Console& console, const PortSession& session)
      : in_{settings, {}, {}, {}}, console_(console), session_(session) {}

  int run();

 private:
  const PortSettings& settings() const { return in_.settings; }
  void say(const std::string& line) { console_.print(line + "\n"); }
  // A failure of the whole run, before any car is written.
  int stop(const std::string& line) { return fail(console_, line); }

  std::optional<int> read_game(GameFolderFiles& files);
  std::optional<int> load_donor();
  std::vector<GeoSource> find_geos(const GameFolderFiles& files);
  void skip_existing_folders(PortPlan& plan);
  std::optional<int> check_serial_numbers(std::size_t count);
  std::optional<int> check_donor_is_kept(const PortPlan& plan);
  void run_jobs(const PortPlan& plan);
  // Prints the car's line; failure is why it was not ported, for the summary.
  void print_car(const PlannedCar& car, std::size_t index, std::size_t total,
                 const std::string& outcome, const std::optional<std::string>& failure);
  void show_progress(std::size_t done, std::size_t total);
  void summarize_physics();
  int summarize(std::size_t total);
  // --show-physics: prints the car's record and, with a donor, what the port writes of it.
  int show_physics(const std::string& name);

  SharedInputs in_;
  Console& console_;
  const PortSession& session_;
  std::size_t name_width_ = 0;
  std::size_t ported_ = 0;
  std::optional<unsigned> first_serial_used_, last_serial_used_;
  std::size_t own_physics_ = 0;          // cars ported with their own record's physics
  std::vector<DonorGap> physics_gaps_;   // what the donor's carp.txt could not give them
  std::vector<std::string> not_ported_;  // the summary's lines, in the order printed
  std::size_t progress_width_ = 0;       // of the count shown on the terminal, 0 for none
};

std::optional<int> PortRun::load_donor() {
  if (!settings().donor) return std::nullopt;
  const std::string& path = *settings().donor;
  std::optional<Bytes> image = load_whole_file(path);
  if (!image) return stop(unreadable(path));
  in_.donor_image = std::move(*image);
  try {
    in_.donor = read_donor(in_.donor_image);
  } catch (const MalformedFile& error) {
    return stop("Could not read " + path + ": " + error.what());
  }
  return std::nullopt;
}

// The loose GEO files and the GEO members of every car-data archive that reads.
std::vector<GeoSource> PortRun::find_geos(const GameFolderFiles& files) {
  std::vector<GeoSource> geos;
  for (const FoundFile& file : files.geo_files) geos.push_back({file, std::nullopt, "", 0});
  in_.archives.reserve(files.archives.size());
  for (const FoundFile& file : files.archives) {
    const std::string path = relative_path(file);
    std::optional<Bytes> image = load_whole_file(path_in(settings().game, path));
    if (!image) {
      not_ported_.push_back(unreadable(path));
      say(not_ported_.back());
      continue;
    }
    CarDataArchive& archive =
        in_.archives.emplace_back(CarDataArchive{file, std::move(*image), {}});
    try {
      archive.members = read_viv_directory(archive.image);
    } catch (const MalformedFile& error) {
      not_ported_.push_back("Could not read " + path + ": " + error.what());
      say(not_ported_.back());
      continue;
    }
    ArchiveGeos found = find_archive_geos(file, in_.archives.size() - 1, archive.members);
    for (const std::string& warning : found.warnings) say(warning);
    for (const std::string& refusal : found.refusals) {
      not_ported_.push_back(refusal);
      say(refusal);
    }
    geos.insert(geos.end(), found.geos.begin(), found.geos.end());
  }
  return geos;
}

// A car whose folder stands in the out folder already is not ported, unless --force.
void PortRun::skip_existing_folders(PortPlan& plan) {
  if (settings().force) return;
  for (PlannedCar& car : plan.cars) {
    const std::string folder = path_in(settings().out, car.name);
    if (!car.skip && path_exists(folder)) {
      car.skip = "its folder " + folder + " exists (--force writes into it)";
    }
  }
}

std::optional<int> PortRun::check_serial_numbers(std::size_t count) {
  if (!in_.donor || !in_.donor->has_serial_number) return std::nullopt;
  const unsigned first = settings().first_serial.value_or(kDefaultFirstSerial);
  if (serial_numbers_fit(first, count)) return std::nullopt;
  const std::size_t most = std::size_t{kMaxSerialNumber} + 1;
  const std::string advice =
      count <= most
          ? "give --serial " + std::to_string(most - count) + " or lower, or fewer cars with --only"
          : "port at most " + std::to_string(most) + " cars at a time with --only";
  return stop("Could not port the cars: the " + std::to_string(count) +
              " cars would take the serial numbers " + std::to_string(first) + " to " +
              std::to_string(first + count - 1) + ", past 255, the highest the game keeps; " +
              advice);
}

// A car's files are renamed into its folder, which replaces the name and never the file behind
// a link there; and none has the name of a GEO, texture or car-data file. Only the donor can be
// replaced, when it is (or a link to) a car.viv the run writes: such a run is refused.
std::optional<int> PortRun::check_donor_is_kept(const PortPlan& plan) {
  if (!settings().donor) return std::nullopt;
  for (const PlannedCar& car : plan.cars) {
    if (car.skip) continue;
    const std::string output = path_in(path_in(settings().out, car.name), kCarVivName);
    if (auto failure = output_among_inputs(output, std::span(&*settings().donor, 1)))
      return stop(*failure);
  }
  return std::nullopt;
}

void PortRun::show_progress(std::size_t done, std::size_t total) {
  if (!session_.show_progress) return;
  const std::string count =
      "  " + std::to_string(done) + " of " + std::to_string(total) + " cars done";
  console_.print("\r" + count);
  progress_width_ = count.size();
}

void PortRun::print_car(const PlannedCar& car, std::size_t index, std::size_t total,
                        const std::string& outcome, const std::optional<std::string>& failure) {
  if (progress_width_ > 0) {  // the count goes; the line takes its place
    console_.print("\r" + std::string(progress_width_, ' ') + "\r");
    progress_width_ = 0;
  }
  const std::string number = std::to_string(index + 1);
  const std::string count = std::to_string(total);
  const std::string name = car.name + std::string(name_width_ - car.name.size(), ' ');
  say("[" + std::string(count.size() - number.size(), ' ') + number + "/" + count + "] " + name +
      "  " + outcome);
  if (failure) {
    not_ported_.push_back(name + "  " + *failure);
  } else {
    ++ported_;
  }
}

void PortRun::run_jobs(const PortPlan& plan) {
  std::vector<CarJob> jobs;
  for (const PlannedCar& car : plan.cars)
    if (!car.skip) jobs.emplace_back().car = &car;
  std::optional<unsigned> first_serial;
  if (in_.donor && in_.donor->has_serial_number) {
    first_serial = settings().first_serial.value_or(kDefaultFirstSerial);
  }
  CarQueue queue(jobs, first_serial);

  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t wanted = std::min<std::size_t>(
      settings().jobs == 0 ? std::min(cores, kMaxJobs) : settings().jobs, jobs.size());
  std::vector<std::jthread> threads;
  for (std::size_t i = 0; i < wanted; ++i) {
    try {
      threads.emplace_back([this, &queue] { port_worker(in_, queue); });
    } catch (const std::system_error&) {
      break;  // fewer threads then; with none at all, this thread does the work
    }
  }
  if (threads.empty()) port_worker(in_, queue);

  std::size_t next_job = 0, done = 0;
  for (std::size_t i = 0; i < plan.cars.size(); ++i) {
    const PlannedCar& car = plan.cars[i];
    if (car.skip) {
      print_car(car, i, plan.cars.size(), "skipped: " + *car.skip, car.skip);
      continue;
    }
    const CarJob& job = jobs[next_job++];
    for (;;) {
      const auto [job_done, done_now] = queue.wait(job, done);
      done = done_now;
      if (job_done) break;
      show_progress(done, jobs.size());
    }
    const JobOutcome& outcome = job.outcome;
    print_car(car, i, plan.cars.size(), outcome.text,
              outcome.ported ? std::nullopt : std::optional(outcome.text));
    if (!outcome.ported) continue;
    if (job.serial) {
      if (!first_serial_used_) first_serial_used_ = job.serial;
      last_serial_used_ = job.serial;
    }
    if (outcome.own_physics) {
      if (own_physics_ == 0)
        physics_gaps_ = outcome.physics_gaps;  // the donor's alone decides them
      ++own_physics_;
    }
  }
}

void PortRun::summarize_physics() {
  if (ported_ == 0) return;
  std::string line =
      "Physics: " + std::to_string(own_physics_) + " of " + counted(ported_, "car", "cars") +
      " with " +
      (own_physics_ == 1 ? "its own performance record" : "their own performance records");
  if (own_physics_ < ported_)
    line += ", " + std::to_string(ported_ - own_physics_) + " with the donor's";
  say(line + ".");
  if (physics_gaps_.empty()) return;
  say("What the donor's carp.txt could not give the physics:");
  for (const std::string& gap : describe_physics_map({{}, physics_gaps_})) say("  " + gap);
}

// Checks the game folder, loads the donor and lists the game's files into files, printing
// their notes and problems; the status to end with when the folder or donor cannot be read.
std::optional<int> PortRun::read_game(GameFolderFiles& files) {
  if (!is_folder(settings().game)) {
    return stop("Could not read " + settings().game + ": there is no folder of that name");
  }
  if (auto status = load_donor()) return status;
  files = find_game_files(settings().game);
  for (const std::string& note : files.notes) say(note);
  for (const std::string& problem : files.problems) say(problem);
  return std::nullopt;
}

int PortRun::show_physics(const std::string& name) {
  const std::string& game = settings().game;
  GameFolderFiles files;
  if (auto status = read_game(files)) return *status;
  const std::vector<GeoSource> geos = find_geos(files);
  const PortPlan plan = plan_port(geos, files.texture_files, std::span(&name, 1));
  if (plan.cars.empty()) return stop("No car named " + name + " under " + game);
  const PlannedCar& car = plan.cars.front();
  const CarRecord found = read_car_record(in_, car);
  const std::string member = relative_path(car.geo.file) + " member " + printable_name(found.name);
  switch (found.found) {
    case CarRecord::Found::no_archive:
      return stop(car.name + " has no performance record: its GEO file " + describe_geo(car.geo) +
                  " is not in a CARDATA.VIV archive");
    case CarRecord::Found::no_member:
      return stop(car.name + " has no performance record: " + relative_path(car.geo.file) +
                  " holds no " + printable_name(found.name));
    case CarRecord::Found::refused:
      return stop("Could not read " + member + ": " + found.refusal);
    case CarRecord::Found::read:
      break;
  }
  say("Performance record of " + car.name + ", " + member + ":");
  for (const std::string& line : describe_physics_record(*found.record)) say("  " + line);
  if (!in_.donor) return 0;
  if (!in_.donor->carp)
    return stop("No carp.txt lines for " + car.name + ": " + in_.donor->carp_note);
  say("The lines --physics writes of it into the carp.txt of " + *settings().donor + ":");
  const PhysicsMap map = map_donor_physics(*found.record, *in_.donor->carp);
  for (const std::string& line : describe_physics_map(map)) say("  " + line);
  return 0;
}

int PortRun::summarize(std::size_t total) {
  std::string line = "Ported " + std::to_string(ported_) + " of " + counted(total, "car", "cars") +
                     " into " + settings().out;
  if (first_serial_used_) {
    line += first_serial_used_ == last_serial_used_
                ? ", serial number " + std::to_string(*first_serial_used_)
                : ", serial numbers " + std::to_string(*first_serial_used_) + " to " +
                      std::to_string(*last_serial_used_);
  }
  say(line + ".");
  if (in_.donor && !in_.donor->has_serial_number) {
    // With --physics a carp.txt that reads still takes each car's physics.
    say((settings().physics && in_.donor->carp
             ? "No car gets a serial number of its own: "
             : "Every car.viv holds the donor's carp.txt as it is: ") +
        in_.donor->carp_note + ".");
  }
  if (settings().physics) summarize_physics();
  if (not_ported_.empty()) return 0;
  say("Not ported: " + std::to_string(not_ported_.size()));
  for (const std::string& reason : not_ported_) say("  " + reason);
  return kFailureStatus;
}

int PortRun::run() {
  if (settings().show_physics) return show_physics(*settings().show_physics);
  say("Porting the cars under " + settings().game + " into " + settings().out +
      (settings().donor ? ", each into a copy of " + *settings().donor : ""));
  GameFolderFiles files;
  if (auto status = read_game(files)) return *status;
  not_ported_.insert(not_ported_.end(), files.problems.begin(), files.problems.end());
  const std::vector<GeoSource> geos = find_geos(files);
  PortPlan plan = plan_port(geos, files.texture_files, settings().only);
  for (const std::string& refusal : plan.refusals) {
    not_ported_.push_back(refusal);
    say(refusal);
  }
  for (const std::string& name : plan.unknown) {
    not_ported_.push_back("No car named " + name + " under " + settings().game);
    say(not_ported_.back());
  }
  if (plan.cars.empty() && not_ported_.empty()) {
    return stop("No car found under " + settings().game +
                ": no GEO file, loose or in a CARDATA.VIV archive");
  }
  for (const PlannedCar& car : plan.cars)
    for (const std::string& note : car.notes) say("Note: " + note);

  skip_existing_folders(plan);
  const std::size_t to_port = static_cast<std::size_t>(
      std::count_if(plan.cars.begin(), plan.cars.end(), [](const auto& car) { return !car.skip; }));
  if (auto status = check_serial_numbers(to_port)) return *status;
  if (auto status = check_donor_is_kept(plan)) return *status;
  bool created_out = false;
  if (to_port > 0 && !is_folder(settings().out)) {
    created_out = create_folder(settings().out);
    if (!created_out) return stop("Could not create the folder " + settings().out);
  }
  for (const PlannedCar& car : plan.cars) name_width_ = std::max(name_width_, car.name.size());
  run_jobs(plan);
  // A folder made for cars that all failed would be left empty.
  if (created_out && ported_ == 0) remove_empty_folder(settings().out);
  return summarize(plan.cars.size());
}

int run_command(std::span<const std::string> args, Console& console, const PortSession& session) {
  if (auto status = answer_help_or_version(args, console, "tromvex-port", kUsage)) return *status;
  std::string problem;
  const std::optional<PortSettings> settings = parse_arguments(args, problem);
  if (!settings) {
    if (!problem.empty()) console.print_error(problem + "\n");
    return print_usage(console, kUsage);
  }
  return PortRun(*settings, console, session).run();
}

}  // namespace

int run_port(std::span<const std::string> args, Console& console, const PortSession& session) {
  int status = kFailureStatus;
  try {
    status = run_command(args, console, session);
  } catch (const std::bad_alloc&) {
    status = fail(console, "Not enough memory");
  } catch (const std::exception& error) {
    // A fault of ours, not of the game's files: still a failure, never a crash.
    status = fail(console, std::string("Could not complete the port: ") + error.what());
  }
  if (session.pause_at_end) {
    // The program's own window closes when it ends: the summary stays until a key is pressed.
    console.print("\nPress any key to close this window...");
    console.wait_for_key();
  }
  return status;
}

int run_port(std::span<const std::string> args, Console& console) {
  return run_port(args, console, PortSession{});
}

}  // namespace tromvex
