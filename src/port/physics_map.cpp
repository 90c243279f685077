// Gives a ported car its own physics: the carp.txt value lines its performance record replaces.
#include "port/physics_map.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <span>

#include "port/decimal_text.hpp"

namespace tromvex {
namespace {

struct EntryName {
  int id;
  std::string_view name;
};

constexpr std::array<EntryName, 40> kEntryNames{{
    {2, "mass"},
    {3, "number of gears"},
    {4, "gear shift delay"},
    {7, "velocity to rpm ratios"},
    {8, "gear ratios"},
    {9, "gear efficiency"},
    {10, "torque curve"},
    {kCarpFinalGearId, "final gear"},
    {13, "engine redline"},
    {14, "maximum velocity"},
    {15, "top speed cap"},
    {16, "front drive ratio"},
    {18, "maximum braking deceleration"},
    {19, "front bias brake ratio"},
    {20, "gas increasing curve"},
    {21, "gas decreasing curve"},
    {22, "brake increasing curve"},
    {23, "brake decreasing curve"},
    {24, "wheel base"},
    {25, "front grip bias"},
    {27, "minimum steering acceleration"},
    {28, "turn in ramp"},
    {29, "turn out ramp"},
    {30, "lateral acceleration grip multiplier"},
    {31, "aerodynamic downforce multiplier"},
    {32, "gas off factor"},
    {33, "g transfer factor"},
    {kCarpRearTyreId, "rear tyre"},
    {38, "slide multiplier"},
    {39, "spin velocity cap"},
    {40, "slide velocity cap"},
    {41, "slide assistance factor"},
    {42, "push factor"},
    {43, "low turn factor"},
    {44, "high turn factor"},
    {75, "number of gears (automatic)"},
    {76, "velocity to rpm ratios (automatic)"},
    {77, "gear ratios (automatic)"},
    {78, "gear efficiency (automatic)"},
    {79, "final gear (automatic)"},
}};

// The entries worked out from the donor's final gear and rear tyre.
constexpr int kGearRatiosId = 8;
constexpr int kAutomaticGearRatiosId = 77;
constexpr int kAutomaticFinalGearId = 79;

// A final gear below this, or a tyre radius above the largest, is no car's; together they keep
// every gear ratio finite.
constexpr double kSmallestFinalGear = 0.1;
constexpr double kLargestTyreRadius = 5.0;  // m
constexpr std::size_t kTyreFieldCount = 3;  // width (mm), aspect (percent), rim (inches)
constexpr double kMillimetresPerInch = 25.4;

// A value line before the donor's trailing comma is known; no text where the donor's final
// gear or tyre it needs are unusable.
struct Mapped {
  int id;
  std::optional<std::string> text;
  bool is_list;
};

// Collects the value lines worked out from the record.
class MappedLines {
 public:
  void decimal(int id, double value) { lines_.push_back({id, format_fixed6(value), false}); }
  void integer(int id, std::int64_t value) { lines_.push_back({id, std::to_string(value), false}); }

  template <typename Number>
  void list(int id, std::span<const Number> values, bool as_integers) {
    std::string text;
    for (const Number value : values) {
      if (!text.empty()) text += ',';
      text += as_integers ? std::to_string(static_cast<std::int64_t>(value))
                          : format_fixed6(static_cast<double>(value));
    }
    lines_.push_back({id, std::move(text), true});
  }

  // A list that cannot be worked out.
  void unknown_list(int id) { lines_.push_back({id, std::nullopt, true}); }
  void unknown_decimal(int id) { lines_.push_back({id, std::nullopt, false}); }

  std::vector<Mapped>& lines() { return lines_; }

 private:
  std::vector<Mapped> lines_;
};

// The text with spaces and tabs off its ends.
std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<double> final_gear_of(std::string_view line) {
  const auto gear = parse_decimal(line);
  if (!gear || *gear < kSmallestFinalGear) return std::nullopt;
  return gear;
}

// The radius in m of a tyre written "width,aspect,rim" (a trailing comma allowed).
std::optional<double> tyre_radius_of(std::string_view line) {
  line = trimmed(line);
  if (line.ends_with(',')) line.remove_suffix(1);
  std::array<double, kTyreFieldCount> fields{};
  for (std::size_t i = 0; i < kTyreFieldCount; ++i) {
    const auto comma = line.find(',');
    if ((comma == std::string_view::npos) != (i + 1 == kTyreFieldCount)) return std::nullopt;
    const auto field = parse_decimal(line.substr(0, comma));
    if (!field || *field < 0) return std::nullopt;
    fields[i] = *field;
    line.remove_prefix(comma == std::string_view::npos ? line.size() : comma + 1);
  }
  const auto [width, aspect, rim] = fields;
  const double radius = (rim * kMillimetresPerInch + 2 * width * aspect / 100) / 2000;
  if (!(radius > 0 && radius <= kLargestTyreRadius)) return std::nullopt;
  return radius;
}

// The gearbox ratio of each slot: engine turns per wheel turn at the slot's velocity-to-rpm
// ratio (rpm per m/s, times the wheel's circumference, per 60 s), less the final gear.
GearTable gear_ratios(const GearTable& velocity_to_rpm, double final_gear, double tyre_radius) {
  GearTable ratios{};
  for (std::size_t slot = 0; slot < ratios.size(); ++slot) {
    ratios[slot] =
        std::abs(velocity_to_rpm[slot]) * 2 * std::numbers::pi * tyre_radius / (60 * final_gear);
  }
  return ratios;
}

// Every value line the map writes, in no particular order.
std::vector<Mapped> lines_from_record(const PhysicsRecord& r, std::optional<double> final_gear,
                                      std::optional<double> tyre_radius) {
  MappedLines out;
  const auto decimals = [&](int id, std::span<const double> values) {
    out.list(id, values, false);
  };
  const auto curve = [&](int id, const PedalCurve& values, bool as_integers) {
    out.list(id, std::span<const std::uint8_t>(values), as_integers);
  };
  out.decimal(2, r.mass);
  for (const int id : {3, 75}) out.integer(id, r.number_of_gears);
  out.integer(4, r.gear_shift_delay);
  for (const int id : {7, 76}) decimals(id, r.velocity_to_rpm);
  for (const int id : {kGearRatiosId, kAutomaticGearRatiosId}) {
    if (final_gear && tyre_radius) {
      decimals(id, gear_ratios(r.velocity_to_rpm, *final_gear, *tyre_radius));
    } else {
      out.unknown_list(id);
    }
  }
  for (const int id : {9, 78}) decimals(id, r.gear_efficiency);
  decimals(10, r.torque_curve);
  if (final_gear) {
    out.decimal(kAutomaticFinalGearId, *final_gear);
  } else {
    out.unknown_decimal(kAutomaticFinalGearId);
  }
  out.integer(13, r.engine_redline);
  for (const int id : {14, 15}) out.decimal(id, r.maximum_velocity);
  out.decimal(16, r.front_drive_ratio);
  out.decimal(18, r.maximum_braking_deceleration);
  out.decimal(19, r.front_bias_brake_ratio);
  curve(20, r.gas_increasing_curve, true);
  curve(21, r.gas_decreasing_curve, true);
  curve(22, r.brake_increasing_curve, false);
  curve(23, r.brake_decreasing_curve, false);
  out.decimal(24, r.wheel_base);
  out.decimal(25, r.front_grip_bias);
  out.decimal(27, r.steering_acceleration);
  out.decimal(28, r.turn_in_ramp);
  out.decimal(29, r.turn_out_ramp);
  out.decimal(30, r.lateral_acceleration_grip_multiplier);
  out.decimal(31, r.aerodynamic_downforce_multiplier);
  out.decimal(32, r.gas_off_factor);
  out.decimal(33, r.g_transfer_factor);
  out.decimal(38, r.slide_multiplier);
  out.decimal(39, r.spin_velocity_cap);
  out.decimal(40, r.slide_velocity_cap);
  out.decimal(41, r.slide_assistance_factor);
  out.integer(42, r.push_factor);
  out.decimal(43, r.low_turn_factor);
  out.decimal(44, r.high_turn_factor);
  return std::move(out.lines());
}

// Looks a donor entry up and reads it with parse; a gap keeps the ids that need it.
template <typename Parse>
std::optional<double> donor_number(const DonorValueLookup& donor, int id, Parse parse,
                                   std::vector<int> dependent_ids, std::vector<DonorGap>& gaps) {
  const auto line = donor(id);
  const auto number = line ? parse(*line) : std::nullopt;
  if (!number) {
    gaps.push_back({id, line ? DonorGapKind::unusable : DonorGapKind::missing, dependent_ids});
  }
  return number;
}

}  // namespace

PhysicsMap map_physics(const PhysicsRecord& record, const DonorValueLookup& donor) {
  PhysicsMap map;
  const auto final_gear =
      donor_number(donor, kCarpFinalGearId, final_gear_of,
                   {kGearRatiosId, kAutomaticGearRatiosId, kAutomaticFinalGearId}, map.gaps);
  const auto tyre_radius = donor_number(donor, kCarpRearTyreId, tyre_radius_of,
                                        {kGearRatiosId, kAutomaticGearRatiosId}, map.gaps);
  for (Mapped& line : lines_from_record(record, final_gear, tyre_radius)) {
    const auto donor_line = donor(line.id);
    if (!donor_line) {
      map.gaps.push_back({line.id, DonorGapKind::missing, {line.id}});
      continue;
    }
    if (!line.text) continue;  // a gap of the final gear or the tyre keeps it
    // The game reads lists with and without a trailing comma (its AI tables have one); the
    // donor's choice is kept.
    if (line.is_list && trimmed(*donor_line).ends_with(',')) *line.text += ',';
    map.lines.push_back({line.id, std::move(*line.text)});
  }
  const auto by_id = [](const auto& a, const auto& b) { return a.id < b.id; };
  std::sort(map.lines.begin(), map.lines.end(), by_id);
  std::sort(map.gaps.begin(), map.gaps.end(), by_id);
  return map;
}

std::string_view carp_entry_name(int id) {
  const auto entry = std::find_if(kEntryNames.begin(), kEntryNames.end(),
                                  [id](const EntryName& e) { return e.id == id; });
  return entry == kEntryNames.end() ? std::string_view() : entry->name;
}

}  // namespace tromvex
