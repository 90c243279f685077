// The one error a reader raises for a file it cannot safely convert.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tromvex {

// What cannot happen is asserted, not thrown: a function asserts what its caller or an earlier
// phase guarantees (a record the archive reader built, counts its own code summed), and throws
// MalformedFile only where the bytes of a file decide. Every check that keeps a read or write of
// file-derived data in bounds stays, in the reader that first sees the bytes. Each public
// declaration says what it throws; "throws nothing" leaves aside std::bad_alloc, which any
// function that allocates may throw when memory runs out.

// Thrown by the readers with a message that says what is wrong and where, in words a
// user understands ("picture 3 of the texture archive ends past its end"). The message
// does not name the file: the driver knows which file it gave and puts its name first.
class MalformedFile : public std::runtime_error {
 public:
  explicit MalformedFile(const std::string& message) : std::runtime_error(message) {}
};

// The error for a file that is plainly not of the kind the reader reads (a QFS file given as
// the TGA image): "it is not <kind> (<detail>)", kind such as "a TGA image", detail the message
// that names the field at fault. Throws std::bad_alloc only.
inline MalformedFile not_of_kind(std::string_view kind, std::string_view detail) {
  return MalformedFile("it is not " + std::string(kind) + " (" + std::string(detail) + ")");
}

}  // namespace tromvex
