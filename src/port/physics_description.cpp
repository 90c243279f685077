// Shows a car's performance record and what it would write into carp.txt.
#include "port/physics_description.hpp"

#include <algorithm>
#include <cassert>
#include <span>

#include "port/decimal_text.hpp"

namespace tromvex {
namespace {

constexpr std::size_t kTorqueValuesPerLine = 8;
constexpr double kKilometresPerHourPerMetrePerSecond = 3.6;

std::string joined(std::span<const double> values) {
  std::string text;
  for (const double value : values) text += (text.empty() ? "" : ", ") + format_fixed6(value);
  return text;
}

std::string joined(const PedalCurve& values) {
  std::string text;
  for (const int value : values) text += (text.empty() ? "" : ", ") + std::to_string(value);
  return text;
}

// A speed in km/h with one decimal, as a modder compares it with the car's brochure.
std::string kilometres_per_hour(double metres_per_second) {
  return format_fixed(metres_per_second * kKilometresPerHourPerMetrePerSecond, 1);
}

void add_torque_curve(std::vector<std::string>& lines, const PhysicsRecord& record) {
  const std::span<const double> curve(record.torque_curve);
  for (std::size_t first = 0; first < curve.size(); first += kTorqueValuesPerLine) {
    const auto values = curve.subspan(first, std::min(kTorqueValuesPerLine, curve.size() - first));
    const auto rpm = [](std::size_t entry) {
      return std::to_string(entry * static_cast<std::size_t>(kPhysicsTorqueStepRpm));
    };
    std::string from_to = rpm(first);
    if (values.size() > 1) {
      from_to += '-';
      from_to += rpm(first + values.size() - 1);
    }
    lines.push_back("torque at " + from_to + " rpm: " + joined(values) + " Nm");
  }
}

// "(8)": an entry's id as carp.txt writes it at the end of the label line.
std::string bracketed(int id) {
  std::string text = "(";
  text += std::to_string(id);
  text += ')';
  return text;
}

// "(2) mass".
std::string entry_label(int id) { return bracketed(id) + " " + std::string(carp_entry_name(id)); }

// "(8), (77)": the ids a gap keeps as the donor has them, leaving out its own.
std::string kept_ids_text(const DonorGap& gap) {
  std::string text;
  for (const int id : gap.kept_ids) {
    if (id == gap.id) continue;
    if (!text.empty()) text += ", ";
    text += bracketed(id);
  }
  return text;
}

std::string gap_line(const DonorGap& gap) {
  std::string line = entry_label(gap.id) + ": " +
                     (gap.kind == DonorGapKind::missing ? "not in the donor's carp.txt"
                                                        : "the donor's value cannot be used");
  const std::string kept = kept_ids_text(gap);
  return line + (kept.empty() ? ", so not written" : "; " + kept + " keep the donor's values");
}

}  // namespace

std::vector<std::string> describe_physics_record(const PhysicsRecord& r) {
  assert(r.number_of_gears >= 3 && r.number_of_gears <= 8);  // as the reader guards it
  const auto decimal = [](double value) { return format_fixed6(value); };
  const auto integer = [](std::int32_t value) { return std::to_string(value); };
  std::vector<std::string> lines{
      "mass: " + decimal(r.mass) + " kg",
      "number of gears: " + integer(r.number_of_gears) + " (reverse, neutral and " +
          integer(r.number_of_gears - 2) + " forward)",
      "gear shift delay: " + integer(r.gear_shift_delay) + " ticks",
      "velocity to rpm ratio (R, N, 1-6): " + joined(r.velocity_to_rpm) + " rpm per m/s",
      "gear efficiency (R, N, 1-6): " + joined(r.gear_efficiency),
  };
  add_torque_curve(lines, r);
  lines.insert(
      lines.end(),
      {
          "engine redline: " + integer(r.engine_redline) + " rpm",
          "maximum velocity: " + decimal(r.maximum_velocity) + " m/s (" +
              kilometres_per_hour(r.maximum_velocity) + " km/h)",
          "front drive ratio: " + decimal(r.front_drive_ratio) + " (0 rear, 1 front)",
          "maximum braking deceleration: " + decimal(r.maximum_braking_deceleration),
          "front bias brake ratio: " + decimal(r.front_bias_brake_ratio),
          "gas increasing curve: " + joined(r.gas_increasing_curve),
          "gas decreasing curve: " + joined(r.gas_decreasing_curve),
          "brake increasing curve: " + joined(r.brake_increasing_curve),
          "brake decreasing curve: " + joined(r.brake_decreasing_curve),
          "wheel base: " + decimal(r.wheel_base) + " m",
          "front grip bias: " + decimal(r.front_grip_bias),
          "steering acceleration: " + decimal(r.steering_acceleration),
          "turn in ramp: " + integer(r.turn_in_ramp),
          "turn out ramp: " + integer(r.turn_out_ramp),
          "lateral acceleration grip multiplier: " +
              decimal(r.lateral_acceleration_grip_multiplier),
          "aerodynamic downforce multiplier: " + decimal(r.aerodynamic_downforce_multiplier),
          "gas off factor: " + decimal(r.gas_off_factor),
          "g transfer factor: " + decimal(r.g_transfer_factor),
          "slide multiplier: " + decimal(r.slide_multiplier),
          "spin velocity cap: " + decimal(r.spin_velocity_cap),
          "slide velocity cap: " + decimal(r.slide_velocity_cap),
          "slide assistance factor: " + integer(r.slide_assistance_factor),
          "push factor: " + integer(r.push_factor),
          "low turn factor: " + decimal(r.low_turn_factor),
          "high turn factor: " + decimal(r.high_turn_factor),
      });
  return lines;
}

std::vector<std::string> describe_physics_map(const PhysicsMap& map) {
  std::vector<std::string> lines;
  for (const CarpValueLine& line : map.lines) {
    lines.push_back(entry_label(line.id) + ": " + line.text);
  }
  for (const DonorGap& gap : map.gaps) lines.push_back(gap_line(gap));
  return lines;
}

}  // namespace tromvex
