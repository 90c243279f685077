// The FCE parts and image the whole-table way.
#include "support/reference_fce.hpp"

#include "mesh/fce_parts.hpp"

namespace tromvex::test {
namespace {

// Collects each part's vertices, zero normals and triangles into its own arrays.
class PartArrays final : public FcePartSink {
 public:
  explicit PartArrays(FceParts& parts) : parts_(parts) {}
  void start_part(std::size_t k) override { part_ = &parts_[k]; }
  void vertex(const Vec3f& vertex) override {
    part_->vertices.push_back(vertex);
    part_->normals.push_back({0.0f, 0.0f, 0.0f});
  }
  void triangle(const FceTriangle& triangle) override { part_->triangles.push_back(triangle); }

 private:
  FceParts& parts_;
  FcePart* part_ = nullptr;
};

}  // namespace

FceParts assembled_fce_parts(std::span<const GeoPart> geo_parts, std::int32_t atlas_height) {
  FceParts parts = describe_fce_parts(geo_parts);
  PartArrays arrays(parts);
  assemble_fce_parts(geo_parts, atlas_height, arrays);
  return parts;
}

}  // namespace tromvex::test
