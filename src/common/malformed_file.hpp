// The one error a reader raises for a file it cannot safely convert.
#pragma once

#include <stdexcept>
#include <string>

namespace tromvex {

// Thrown by the readers with a message that says what is wrong and where, in words a
// user understands ("picture 3 of the texture archive ends past its end"). The message
// does not name the file: the driver knows which file it gave and puts its name first.
class MalformedFile : public std::runtime_error {
 public:
  explicit MalformedFile(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tromvex
