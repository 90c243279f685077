// Fuzz target for read_physics_record, the reader of NFS2 performance records, and for the
// map and the description over what it reads.
//
// Asserts, for any input: no crash, no sanitizer report, no exception but MalformedFile.
// Where the record is accepted:
// - the input is 356 bytes long and passes every guard, checked here on its raw bytes: mass,
//   gear count, each used forward gear's velocity-to-rpm ratio, redline, maximum velocity and
//   the three ratios within their bounds;
// - the map over a donor that holds every entry writes all 38 entries and no gap; every value
//   line parses back to numbers, as many as its field holds (and a trailing comma exactly
//   where the donor's line had one), each within half a millionth of the record's value where
//   the line copies a field, and the gear ratios finite and not negative;
// - the description has one line a field (the torque curve six).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.hpp"
#include "fuzz_check.hpp"
#include "port/decimal_text.hpp"
#include "port/physics_description.hpp"
#include "port/physics_map.hpp"
#include "port/physics_record.hpp"

namespace {

using namespace tromvex;

constexpr std::int64_t kOne = 65536;
constexpr std::size_t kMappedEntries = 38;
constexpr std::size_t kDescriptionLines = 36;
// Six decimals are within half a millionth of the value; a little more for an exact half
// (1/128 is 0.0078125) read back into a double.
constexpr double kHalfAMillionth = 0.5e-6 * (1 + 1e-6);

std::int64_t s32_at(const std::uint8_t* data, std::size_t offset) {
  return static_cast<std::int32_t>(read_u32_le(data + offset));
}

bool within(std::int64_t value, std::int64_t lowest, std::int64_t highest) {
  return value >= lowest && value <= highest;
}

void check_guards(const std::uint8_t* data) {
  FUZZ_CHECK(within(s32_at(data, 0x000), 100 * kOne, 20000 * kOne));
  const std::int64_t gears = s32_at(data, 0x004);
  FUZZ_CHECK(within(gears, 3, 8));
  for (std::int64_t slot = 2; slot < gears; ++slot) {
    FUZZ_CHECK(s32_at(data, 0x00C + 4 * static_cast<std::size_t>(slot)) > 0);
  }
  FUZZ_CHECK(within(s32_at(data, 0x0F0), 1000, 20000));
  FUZZ_CHECK(within(s32_at(data, 0x0F4), kOne, 200 * kOne));
  for (const std::size_t offset : {0x0F8u, 0x100u, 0x128u}) {
    FUZZ_CHECK(within(s32_at(data, offset), 0, kOne));
  }
}

// The numbers of a value line; a trailing comma ends the list without a field after it.
std::vector<double> numbers_of(std::string_view line, bool trailing_comma) {
  FUZZ_CHECK(line.ends_with(',') == trailing_comma);
  if (trailing_comma) line.remove_suffix(1);
  std::vector<double> numbers;
  while (true) {
    const auto comma = line.find(',');
    const auto number = parse_decimal(line.substr(0, comma));
    FUZZ_CHECK(number.has_value());
    numbers.push_back(*number);
    if (comma == std::string_view::npos) return numbers;
    line.remove_prefix(comma + 1);
  }
}

// The record's values a line copies, or nothing for the gear ratios and the final gear.
std::optional<std::vector<double>> copied_values(const PhysicsRecord& r, int id) {
  const auto values = [](std::span<const double> v) {
    return std::vector<double>(v.begin(), v.end());
  };
  const auto curve = [](const PedalCurve& c) { return std::vector<double>(c.begin(), c.end()); };
  switch (id) {
    case 2:
      return std::vector<double>{r.mass};
    case 3:
    case 75:
      return std::vector<double>{static_cast<double>(r.number_of_gears)};
    case 4:
      return std::vector<double>{static_cast<double>(r.gear_shift_delay)};
    case 7:
    case 76:
      return values(r.velocity_to_rpm);
    case 9:
    case 78:
      return values(r.gear_efficiency);
    case 10:
      return values(r.torque_curve);
    case 13:
      return std::vector<double>{static_cast<double>(r.engine_redline)};
    case 14:
    case 15:
      return std::vector<double>{r.maximum_velocity};
    case 20:
      return curve(r.gas_increasing_curve);
    case 21:
      return curve(r.gas_decreasing_curve);
    case 22:
      return curve(r.brake_increasing_curve);
    case 23:
      return curve(r.brake_decreasing_curve);
    case 28:
      return std::vector<double>{static_cast<double>(r.turn_in_ramp)};
    case 29:
      return std::vector<double>{static_cast<double>(r.turn_out_ramp)};
    case 41:
      return std::vector<double>{static_cast<double>(r.slide_assistance_factor)};
    case 42:
      return std::vector<double>{static_cast<double>(r.push_factor)};
    case 44:
      return std::vector<double>{r.high_turn_factor};
    default:
      return std::nullopt;
  }
}

std::size_t field_count(int id) {
  switch (id) {
    case 7:
    case 8:
    case 9:
    case 20:
    case 21:
    case 22:
    case 23:
    case 76:
    case 77:
    case 78:
      return kPhysicsGearSlots;
    case 10:
      return kPhysicsTorqueEntries;
    default:
      return 1;
  }
}

void check_map(const PhysicsRecord& record, bool trailing_commas) {
  const PhysicsMap map = map_physics(record, [&](int id) -> std::optional<std::string> {
    if (id == kCarpFinalGearId) return "3.500000";
    if (id == kCarpRearTyreId) return "225,50,16";
    return trailing_commas ? "0," : "0";
  });
  FUZZ_CHECK(map.lines.size() == kMappedEntries);
  FUZZ_CHECK(map.gaps.empty());
  for (const CarpValueLine& line : map.lines) {
    const bool is_list = field_count(line.id) > 1;
    const std::vector<double> numbers = numbers_of(line.text, is_list && trailing_commas);
    FUZZ_CHECK(numbers.size() == field_count(line.id));
    if (const auto copied = copied_values(record, line.id)) {
      for (std::size_t i = 0; i < numbers.size(); ++i) {
        FUZZ_CHECK(std::abs(numbers[i] - (*copied)[i]) <= kHalfAMillionth);
      }
    }
    if (line.id == 8 || line.id == 77) {
      for (const double ratio : numbers) FUZZ_CHECK(std::isfinite(ratio) && ratio >= 0);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PhysicsRecord record;
  if (!fuzz::accepts([&] { record = read_physics_record({data, size}); })) return 0;
  FUZZ_CHECK(size == kPhysicsRecordSize);
  check_guards(data);
  check_map(record, (record.gear_shift_delay & 1) != 0);
  FUZZ_CHECK(describe_physics_record(record).size() == kDescriptionLines);
  return 0;
}
