// Writes seed inputs for the fuzz targets, built in code with the test builders.
//
// Usage: fuzz_seeds FOLDER. Creates FOLDER/NAME for every fuzz target NAME (qfs, huffman,
// btree, shpi, geo, convert, viv, view, finish, physics_record, carp), one small file per
// seed, so no binary seed is ever kept in the repository.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/bytes.hpp"
#include "mesh/fce_finish.hpp"
#include "pipeline/convert.hpp"
#include "support/car_builder.hpp"
#include "support/reference_fce.hpp"
#include "support/texture_builders.hpp"
#include "support/viv_builder.hpp"
#include "tools/car_files.hpp"
#include "tools/physics_record_file.hpp"
#include "tools/qfs_compress.hpp"
#include "tools/sample_car.hpp"
#include "tools/sample_vivs.hpp"
#include "tools/stream_compress.hpp"
#include "viv/viv.hpp"

namespace {

using namespace tromvex;
using namespace tromvex::test;

constexpr std::uint8_t kColourType = 0x60;  // any type but 0x7B: four bytes a pixel

Bytes pattern(std::size_t size, std::uint8_t first, std::uint8_t step) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(first + i * step);
  return bytes;
}

Palette greenish_palette() {
  Palette palette{};
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const auto level = static_cast<std::uint8_t>(i);
    palette[i] = {level, static_cast<std::uint8_t>(255 - level),
                  static_cast<std::uint8_t>(level / 2), static_cast<std::uint8_t>(i % 3)};
  }
  return palette;
}

ShpiPicture picture(const std::string& name, std::uint8_t type, std::int16_t width,
                    std::int16_t height) {
  ShpiPicture geo;
  geo.name = name;
  geo.type_byte0 = type;
  geo.width = width;
  geo.height = height;
  const std::size_t bytes_per_pixel = type == kShpiIndexedType ? 1 : 4;
  geo.pixels = pattern(static_cast<std::size_t>(width * height) * bytes_per_pixel, 7, 13);
  return geo;
}

// A palette, three textures (one of four bytes a pixel, one 768 wide to close a row) and the
// unread last entry; the GEO seed's polygons name these textures.
Bytes car_archive() {
  return write_shpi_archive(
      {palette_picture(greenish_palette()), picture("wgl0", kShpiIndexedType, 16, 8),
       picture("whl0", kShpiIndexedType, 768, 2), picture("body", kColourType, 4, 3)});
}

GeoFilePolygon polygon(const char* texture, std::uint32_t flags,
                       std::array<std::uint8_t, 4> indices) {
  return {flags, indices, texture_name(texture)};
}

// Part 0 with an odd vertex count, a wheel, the last part, a polygon with a missing texture
// and bytes after the last part.
Bytes car_geo() {
  GeoFile geo;
  geo.parts[0].vertex_count = 3;
  geo.parts[0].position = {256, -512, 65536};
  geo.parts[0].vertices = {{256, 0, -256}, {0, 512, 0}, {-32768, 32767, 1}};
  geo.parts[0].polygons = {polygon("wgl0", 0, {0, 1, 2, 3}),
                           polygon("none", kGeoFlagCornerOrder, {3, 2, 1, 0})};
  geo.parts[12].vertex_count = 4;
  geo.parts[12].vertices = {{0, -300, 0}, {10, 300, 0}, {0, 0, 5}, {1, 2, 3}};
  geo.parts[12].polygons = {polygon("whl0", kGeoFlagCornerOrder | kGeoFlagTwoSided, {0, 1, 2, 3})};
  geo.parts[25].vertex_count = 2;
  geo.parts[25].polygons = {polygon("body", kGeoFlagTwoSided, {0, 1, 1, 0}),
                            polygon("ab", 0, {255, 0, 0, 0})};
  geo.trailer = pattern(12, 1, 1);
  return write_geo_file(geo);
}

Bytes convert_seed(const Bytes& geo, const Bytes& texture) {
  Bytes seed(4);
  write_u32_le(seed.data(), static_cast<std::uint32_t>(geo.size()));
  seed.insert(seed.end(), geo.begin(), geo.end());
  seed.insert(seed.end(), texture.begin(), texture.end());
  return seed;
}

// An FCE image of two small parts: a quad as two triangles (one two-sided), and a triangle at
// another position, with a far-away vertex no triangle uses.
Bytes small_fce() {
  FceParts parts;
  parts[0].name = {'H', 'i', 'g', 'h', ' ', 'B', 'o', 'd', 'y'};
  parts[0].vertices = {
      {-1.0f, 0.0f, 2.0f}, {1.0f, 0.0f, 2.0f}, {1.0f, 1.0f, -2.0f}, {-1.0f, 1.0f, -2.0f}};
  parts[0].triangles = {{{0, 1, 2}, 1, {0.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 1.0f}},
                        {{2, 3, 0}, 5, {1.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f}}};
  parts[1].name = {'W', 'h', 'e', 'e', 'l'};
  parts[1].position = {1.0f, 0.5f, 1.5f};
  parts[1].vertices = {
      {0.0f, -0.5f, 0.0f}, {0.0f, 0.5f, 0.5f}, {0.0f, 0.5f, -0.5f}, {900.0f, 900.0f, 900.0f}};
  parts[1].triangles = {{{0, 1, 2}, 1, {0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}}};
  std::int32_t vertices = 0, triangles = 0;
  for (FcePart& part : parts) {
    part.normals.resize(part.vertices.size());
    part.vertex_count = static_cast<std::int32_t>(part.vertices.size());
    part.triangle_count = static_cast<std::int32_t>(part.triangles.size());
    part.first_vertex = vertices;
    part.first_triangle = triangles;
    vertices += part.vertex_count;
    triangles += part.triangle_count;
  }
  return test::reference_fce_image(parts, {vertices, triangles});
}

void write_seed(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("could not write " + (folder / name).string());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  const std::filesystem::path root(argv[1]);
  const Bytes archive = car_archive();
  const Bytes compressed = qfs_compress(archive);
  const Bytes geo = car_geo();
  const Bytes smallest_geo = write_geo_file(GeoFile{});

  write_seed(root / "qfs", "car", compressed);
  write_seed(root / "qfs", "literals", qfs_store(pattern(300, 0, 1)));
  write_seed(root / "qfs", "runs", qfs_compress(pattern(5000, 0, 0)));
  write_seed(root / "qfs", "long_header",
             QfsWriter(12, QfsWriter::Header::long_form)
                 .short_copy({'a', 'b', 'c'}, 3, 3)
                 .medium_copy({}, 4, 6)
                 .stop({'z', 'y'})
                 .bytes());
  write_seed(root / "qfs", "far_copy",
             QfsWriter(1141)
                 .literal_run(pattern(112, 3, 5))
                 .long_copy({1}, 1028, 100)
                 .stop({})
                 .raw({0})
                 .bytes());

  write_seed(root / "huffman", "worked_example",
             {0x30, 0xFB, 0x00, 0x00, 0x0B, 0x03, 0xBA, 0xC8, 0x2D, 0x3C, 0x03, 0xB9});
  write_seed(root / "huffman", "car", huffman_compress(archive, 0x30));
  write_seed(root / "huffman", "car_delta_extra_field", huffman_compress(archive, 0x33));
  write_seed(root / "huffman", "car_double_delta_wide", huffman_compress(archive, 0xB4));
  write_seed(root / "huffman", "every_value", huffman_compress(pattern(600, 0, 1), 0x32));
  write_seed(root / "btree", "worked_example",
             {0x46, 0xFB, 0x00, 0x00, 0x0A, 0xFF, 0x02, 0x80, 0x61, 0x62,
              0x81, 0x80, 0x80, 0x81, 0x81, 0x63, 0xFF, 0x80, 0xFF, 0x00});
  write_seed(root / "btree", "car", btree_compress(archive));
  write_seed(root / "btree", "car_forward_references",
             btree_compress(archive, DictionaryOrder::defined_last));
  write_seed(root / "convert", "car_huffman", convert_seed(geo, huffman_compress(archive, 0x32)));
  write_seed(root / "convert", "car_btree", convert_seed(geo, btree_compress(archive)));

  write_seed(root / "shpi", "car", archive);
  write_seed(root / "shpi", "palette_only",
             write_shpi_archive({palette_picture(greenish_palette())}));

  write_seed(root / "geo", "car", geo);
  write_seed(root / "geo", "smallest", smallest_geo);

  write_seed(root / "convert", "car_plain", convert_seed(geo, archive));
  write_seed(root / "convert", "car_compressed", convert_seed(geo, compressed));
  write_seed(root / "convert", "smallest", convert_seed(smallest_geo, archive));

  write_seed(root / "viv", "empty", viv_archive({}));
  write_seed(root / "viv", "car",
             viv_archive({{"car.fce", pattern(40, 1, 3)},
                          {"carp.txt", pattern(9, 'a', 1)},
                          {"CAR00.tga", pattern(22, 0, 0)},
                          {"car.fce", {}},
                          {"e", {}}}));
  write_seed(root / "viv", "cardata",
             viv_archive({{"smpl.GEO", geo}, {"BLOX.geo", smallest_geo}, {"x.dat", {7}}}));

  // The small car the end-to-end tests convert: a 720-wide texture and a missing one.
  const CarFiles small_car = build_small_car();
  write_seed(root / "qfs", "small_car", qfs_compress(small_car.shpi_archive));
  write_seed(root / "shpi", "small_car", small_car.shpi_archive);
  write_seed(root / "geo", "small_car", small_car.geo_image);
  write_seed(root / "convert", "small_car",
             convert_seed(small_car.geo_image, small_car.qfs_archive));
  // tromvex-view reads what the conversion writes: the sample car's FCE, and a small one.
  class Quiet : public ConversionEvents {
  } events;
  const Bytes sample_fce = convert_car(make_sample_geo(), make_sample_qfs(), events).fce_image;
  write_seed(root / "view", "sample_car", sample_fce);
  write_seed(root / "view", "small", small_fce());
  // tromvex-finish reads the same files, and finished ones.
  const Bytes finished_sample = finish_fce_image(sample_fce).image;
  write_seed(root / "view", "finished_sample_car", finished_sample);
  write_seed(root / "finish", "sample_car", sample_fce);
  write_seed(root / "finish", "finished_sample_car", finished_sample);
  write_seed(root / "finish", "small", small_fce());

  // A made-up car's performance record; one with three gears and one with eight, each at the
  // edges of the guards; and one cut short.
  const PhysicsRecord record = made_up_physics_record();
  write_seed(root / "physics_record", "made_up", write_physics_record(record));
  PhysicsRecord fewest = record;
  fewest.number_of_gears = 3;
  fewest.mass = 100;
  fewest.engine_redline = 1000;
  fewest.maximum_velocity = 1;
  fewest.front_drive_ratio = 1;
  write_seed(root / "physics_record", "three_gears", write_physics_record(fewest));
  PhysicsRecord most = record;
  most.number_of_gears = 8;
  most.velocity_to_rpm[6] = 70;
  most.velocity_to_rpm[7] = 1.0 / 65536;
  most.mass = 20000;
  most.engine_redline = 20000;
  most.maximum_velocity = 200;
  most.front_bias_brake_ratio = 1;
  most.front_grip_bias = 0;
  most.gear_shift_delay = 4;
  write_seed(root / "physics_record", "eight_gears", write_physics_record(most));
  const Bytes image = write_physics_record(record);
  write_seed(root / "physics_record", "cut_short", Bytes(image.begin(), image.end() - 1));

  // The donor's carp.txt as the port reads it, and files in LF and with a last line unended.
  const Bytes donor = make_donor_car_viv();
  const std::vector<VivMember> donor_members = read_viv_directory(donor);
  const VivMember& carp = donor_members.at(*find_viv_member(donor_members, "carp.txt"));
  write_seed(root / "carp", "donor", Bytes(carp.bytes.begin(), carp.bytes.end()));
  const std::string lf = "Serial Number(0)\n0\nMass(2)\n1000.000000\nTable(67)\n1,2,3,\n";
  write_seed(root / "carp", "lf", Bytes(lf.begin(), lf.end()));
  const std::string unended = "A(9999)\r\n1\nB(75)\r\n-0.5";
  write_seed(root / "carp", "unended", Bytes(unended.begin(), unended.end()));
  std::printf("seeds written to %s\n", root.string().c_str());
  return 0;
}
